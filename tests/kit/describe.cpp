#include "tests/kit/describe.hpp"

#include <gtest/gtest.h>

#include "orvex/operations.hpp"

namespace kit {

using namespace orvex;

Desc sample(int ftype, int nvars) {
    Desc d{.ftype = ftype,
           .nthik = ftype == KFEVNT3 ? 5 : 1,
           .xorig = -1000.0,
           .yorig = -2000.5,
           .vgtyp = 7,
           .levels = {1.0f, 0.9f, 0.5f},
           .lines = {"A test file", "of the file layer"},
           .vars = {}};
    const char* names[] = {"O3", "NO2", "AIR_LAT", "AIR_LON", "AIR_ELV"};
    for (int v = 0; v < nvars; ++v) {
        const std::string name = v < 5 ? names[v] : "V" + std::to_string(v);
        Var var(name, v % 2 == 0 ? "ppmV" : "moles/s", "Variable " + name,
                v % 3 == 0 ? QVREAL : v % 3 == 1 ? QVINT : QVDBLE);
        if (ftype == GRDATT3)
            for (int a = 0; a <= v; ++a)
                var.atts.emplace_back("ATT" + std::to_string(a),
                                      1.5f * static_cast<float>(a + 1) + static_cast<float>(v));
        d.vars.push_back(var);
    }
    return d;
}

Desc binary_sample(int nvars) {
    Desc d{.stime = 10000,
           .nthik = 1,
           .xorig = -1536000.0,
           .yorig = -1200000.0,
           .ycell = 0.1,
           .vgtyp = 7,
           .vgtop = 5000.0f,
           .levels = {1.0f, 0.5f, -0.25f, 9.0f},  // beyond NLAYS + 1: not written
           .gdnam = "LAMBERT_12",
           .lines = std::vector<std::string>(MXDESC3),
           .upnam = "BINWRITER",
           .execn = "exec-2020",
           .history = {"", "history line"},
           .vars = {}};
    d.lines.front() = "first description line";
    d.lines.back() = "last description line";
    const char* names[] = {"O3", "NO2", "TEMP"};
    const char* units[] = {"ppm", "ppb", "K"};
    const int types[] = {QVINT, QVREAL, QVDBLE};
    for (int v = 0; v < nvars; ++v)
        d.vars.emplace_back(names[v % 3], units[v % 3], std::string("description of ") + names[v % 3], types[v % 3]);
    return d;
}

bool write_steps(const std::string& lname, const Desc& d, int fstatus, const std::string& pgname, int nsteps,
                 const Values& value, int skip) {
    describe(d);
    if (!OPEN3(lname, fstatus, pgname)) return false;
    const int rows = d.ftype == CUSTOM3 ? 1 : d.nrows;
    int jdate = d.sdate, jtime = d.stime;
    for (int s = 0; s < nsteps; ++s) {
        for (int v = 0; v < static_cast<int>(d.vars.size()); ++v) {
            if (s == 0 && v == skip) continue;
            const Var& var = d.vars[static_cast<std::size_t>(v)];
            std::vector<float> reals;
            std::vector<int> ints;
            std::vector<double> doubles;
            for (int l = 0; l < d.nlays; ++l)
                for (int r = 0; r < rows; ++r)
                    for (int c = 0; c < d.ncols; ++c) {
                        const double x = value(v, s, c, r);
                        reals.push_back(static_cast<float>(x));
                        ints.push_back(static_cast<int>(x));
                        doubles.push_back(x);
                    }
            const void* buf = var.vtype == QVDBLE ? static_cast<const void*>(doubles.data())
                              : var.vtype == QVINT ? static_cast<const void*>(ints.data())
                                                   : static_cast<const void*>(reals.data());
            if (!WRITE3(lname, var.name, jdate, jtime, buf)) return false;
        }
        NEXTIME(jdate, jtime, d.tstep);
    }
    return CLOSE3(lname);
}

void expect_same_description(const Fdesc3& want, const Fdesc3& got, unsigned parts) {
    EXPECT_EQ(want.FTYPE3D, got.FTYPE3D);
    if (parts & START) {
        EXPECT_EQ(want.SDATE3D, got.SDATE3D);
        EXPECT_EQ(want.STIME3D, got.STIME3D);
    }
    EXPECT_EQ(want.TSTEP3D, got.TSTEP3D);
    EXPECT_EQ(want.NVARS3D, got.NVARS3D);
    EXPECT_EQ(want.NCOLS3D, got.NCOLS3D);
    EXPECT_EQ(want.NROWS3D, got.NROWS3D);
    EXPECT_EQ(want.NLAYS3D, got.NLAYS3D);
    EXPECT_EQ(want.NTHIK3D, got.NTHIK3D);
    EXPECT_EQ(want.GDTYP3D, got.GDTYP3D);
    EXPECT_EQ(want.P_ALP3D, got.P_ALP3D);
    EXPECT_EQ(want.P_BET3D, got.P_BET3D);
    EXPECT_EQ(want.P_GAM3D, got.P_GAM3D);
    EXPECT_EQ(want.XCENT3D, got.XCENT3D);
    EXPECT_EQ(want.YCENT3D, got.YCENT3D);
    EXPECT_EQ(want.XORIG3D, got.XORIG3D);
    EXPECT_EQ(want.YORIG3D, got.YORIG3D);
    EXPECT_EQ(want.XCELL3D, got.XCELL3D);
    EXPECT_EQ(want.YCELL3D, got.YCELL3D);
    EXPECT_EQ(want.VGTYP3D, got.VGTYP3D);
    if (parts & TOP) {
        EXPECT_EQ(want.VGTOP3D, got.VGTOP3D);
    }
    for (int k = 0; k <= want.NLAYS3D; ++k)
        EXPECT_EQ(want.VGLVS3D[static_cast<std::size_t>(k)], got.VGLVS3D[static_cast<std::size_t>(k)])
            << "surface " << k;
    EXPECT_EQ(want.GDNAM3D.view(), got.GDNAM3D.view());
    for (std::size_t l = 0; l < MXDESC3; ++l) EXPECT_EQ(want.FDESC3D[l].view(), got.FDESC3D[l].view()) << "line " << l;
    if (parts & HISTORY) {
        EXPECT_EQ(want.UPNAM3D.view(), got.UPNAM3D.view());
        EXPECT_EQ(want.EXECN3D.view(), got.EXECN3D.view());
        for (std::size_t l = 0; l < MXDESC3; ++l)
            EXPECT_EQ(want.UPDSC3D[l].view(), got.UPDSC3D[l].view()) << "history line " << l;
    }
    for (int v = 0; v < want.NVARS3D; ++v) {
        const auto i = static_cast<std::size_t>(v);
        EXPECT_EQ(want.VNAME3D[i].view(), got.VNAME3D[i].view()) << "variable " << v;
        EXPECT_EQ(want.UNITS3D[i].view(), got.UNITS3D[i].view()) << "variable " << v;
        EXPECT_EQ(want.VDESC3D[i].view(), got.VDESC3D[i].view()) << "variable " << v;
        EXPECT_EQ(want.VTYPE3D[i], got.VTYPE3D[i]) << "variable " << v;
    }
}

}  // namespace kit
