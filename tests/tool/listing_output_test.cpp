// The variable listing and the output description, in process.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "orvex/fdesc3.hpp"
#include "tool/modelpass.hpp"
#include "tool/outputs.hpp"

namespace pondra {
namespace {

std::string listing(const orvex::Fdesc3& d) {
    std::ostringstream out;
    list_variables(d, out);
    return out.str();
}

constexpr const char* HEADING = "      \n     The list of variables in this file is:\n      \n";

TEST(Listing, ColumnsAsWideAsTheLongestEntry) {
    auto d = std::make_unique<orvex::Fdesc3>();
    d->NVARS3D = 3;
    d->VNAME3D[0] = "O3";
    d->UNITS3D[0] = "ppmV";
    d->VDESC3D[0] = "ozone";
    d->VNAME3D[1] = "PM25_TOT";
    d->UNITS3D[1] = "ug/m3";
    d->VDESC3D[1] = "fine particles";
    d->VNAME3D[2] = "NO";
    d->UNITS3D[2] = "";
    d->VDESC3D[2] = "nitric oxide";
    d->VNAME3D[3] = "NOT_LISTED_LONG";  // beyond NVARS3D: ignored for widths
    EXPECT_EQ(listing(*d), std::string(HEADING) +
                               "     O3       (ppmV ): ozone         \n"
                               "     PM25_TOT (ug/m3): fine particles\n"
                               "     NO       (     ): nitric oxide  \n");
}

TEST(Listing, AllBlankUnitsAndDescriptionsTakeOneColumn) {
    auto d = std::make_unique<orvex::Fdesc3>();
    d->NVARS3D = 2;
    d->VNAME3D[0] = "A";
    d->VNAME3D[1] = "BB";
    EXPECT_EQ(listing(*d), std::string(HEADING) +
                               "     A  ( ):  \n"
                               "     BB ( ):  \n");
}

TEST(Listing, NoVariablesGivesTheHeadingOnly) {
    auto d = std::make_unique<orvex::Fdesc3>();
    EXPECT_EQ(listing(*d), HEADING);
}

TEST(Outputs, DateOfDayOneOfTheYear) {
    EXPECT_EQ(output_date(2005), 2005001);
    EXPECT_EQ(output_date(0), 1);
    EXPECT_EQ(output_date(-1), -999);
    EXPECT_EQ(output_date(2147483), 2147483001);
    EXPECT_EQ(output_date(2147484), -2147483295);  // wraps as a 32-bit integer
}

TEST(Outputs, DescriptionOnTheFixedProjectionKeepsTheRest) {
    auto d = std::make_unique<orvex::Fdesc3>();
    d->FTYPE3D = orvex::GRDDED3;
    d->NVARS3D = 2;
    d->NLAYS3D = 1;
    d->NTHIK3D = 3;
    d->GDTYP3D = 5;
    d->VGTYP3D = 2;
    d->VGLVS3D[0] = 1.0f;
    d->GDNAM3D = "INGRID";
    d->FDESC3D[0] = "input description";
    d->VNAME3D[1] = "NO2";
    d->VTYPE3D[1] = orvex::QVREAL;
    d->UNITS3D[1] = "ppb";
    RunState st;
    st.NCOLS = 150;
    st.NROWS = 120;
    st.XORIG = -900000.0f;
    st.YORIG = -720000.0f;
    st.CELL = 12000.0f;
    st.YEAR = 2005;
    describe_output(st, *d);
    EXPECT_EQ(d->NCOLS3D, 150);
    EXPECT_EQ(d->NROWS3D, 120);
    EXPECT_EQ(d->NLAYS3D, 1);
    EXPECT_EQ(d->SDATE3D, 2005001);
    EXPECT_EQ(d->STIME3D, 0);
    EXPECT_EQ(d->TSTEP3D, 240000);
    EXPECT_EQ(d->GDTYP3D, 2);
    EXPECT_EQ(d->P_ALP3D, 33.0);
    EXPECT_EQ(d->P_BET3D, 45.0);
    EXPECT_EQ(d->P_GAM3D, -97.0);
    EXPECT_EQ(d->XCENT3D, -97.0);
    EXPECT_EQ(d->YCENT3D, 40.0);
    EXPECT_EQ(d->XORIG3D, -900000.0);
    EXPECT_EQ(d->YORIG3D, -720000.0);
    EXPECT_EQ(d->XCELL3D, 12000.0);
    EXPECT_EQ(d->YCELL3D, 12000.0);
    // Kept from the last input file.
    EXPECT_EQ(d->FTYPE3D, orvex::GRDDED3);
    EXPECT_EQ(d->NVARS3D, 2);
    EXPECT_EQ(d->NTHIK3D, 3);
    EXPECT_EQ(d->VGTYP3D, 2);
    EXPECT_EQ(d->VGLVS3D[0], 1.0f);
    EXPECT_EQ(d->GDNAM3D, "INGRID");
    EXPECT_EQ(d->FDESC3D[0], "input description");
    EXPECT_EQ(d->VNAME3D[1], "NO2");
    EXPECT_EQ(d->VTYPE3D[1], orvex::QVREAL);
    EXPECT_EQ(d->UNITS3D[1], "ppb");
}

}  // namespace
}  // namespace pondra
