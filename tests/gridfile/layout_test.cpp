// The on-disk layout: dimension lengths, the time axis, the refused
// descriptions of creation, and the two mended faults (negative boundary
// thickness, time-independent start date).
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

// Length of a dimension (-2 for the unlimited one) or of a global attribute; -1 when missing.
long dim_len(const std::string& path, const char* name) { return NcFile(path).dim_len(name); }
long att_len(const std::string& path, const char* name) { return NcFile(path).att_len(name); }

TEST(Layout, TimeAxisLengthFollowsTheStep) {
    Sandbox box;
    const struct {
        const char* file;
        int ftype;
        int tstep;
        long tsteps;
    } cases[] = {
        {"hourly.nc", GRDDED3, 10000, -2}, {"fixed.nc", GRDDED3, 0, 1},       {"pair.nc", GRDDED3, -10000, 2},
        {"events.nc", KFEVNT3, 0, -2},     {"events2.nc", KFEVNT3, -10000, -2},
    };
    for (const auto& c : cases) {
        const std::string path = box.path(c.file);
        const Outcome r = box.make(path, c.ftype, [&] { FDESC3.TSTEP3D = c.tstep; });
        ASSERT_EQ(0, r.status) << c.file << r.log;
        EXPECT_EQ(c.tsteps, dim_len(path, "TSTEP")) << c.file;
        EXPECT_EQ(c.ftype == KFEVNT3 ? 5 : 2, dim_len(path, "DATE-TIME")) << c.file;
    }
}

TEST(Layout, NoVariablesStillDefinesVar) {
    Sandbox box;
    const std::string path = box.path("novars.nc");
    ASSERT_EQ(0, box.make(path, GRDDED3, [] { FDESC3.NVARS3D = 0; }).status);
    EXPECT_EQ(1, dim_len(path, "VAR"));
    EXPECT_EQ(-1, att_len(path, "VAR-LIST"));
    const Outcome r = box.run({{"OUTF", path}}, [] {
        ASSERT_TRUE(OPEN3("OUTF", FSRDONLY3, "LAYOUT"));
        EXPECT_EQ(0, detail::slot(NAME2FID("OUTF")).nvars);
        EXPECT_TRUE(detail::slot(NAME2FID("OUTF")).vars.empty());
    });
    EXPECT_EQ(0, r.status) << r.log;
}

TEST(Layout, LayerSurfacesWrittenAtMostOneHundred) {
    Sandbox box;
    const struct {
        const char* file;
        int nlays;
        long surfaces;
    } cases[] = {{"l1.nc", 1, 2}, {"l2.nc", 2, 3}, {"l99.nc", 99, 100}, {"l100.nc", 100, 100}, {"l150.nc", 150, 100}};
    for (const auto& c : cases) {
        const std::string path = box.path(c.file);
        const Outcome r = box.make(path, GRDDED3, [&] {
            FDESC3.NLAYS3D = c.nlays;
            for (int k = 0; k <= MXLAYS3; ++k) FDESC3.VGLVS3D[k] = 1.0f - 0.005f * static_cast<float>(k);
        });
        ASSERT_EQ(0, r.status) << c.file << r.log;
        EXPECT_EQ(c.surfaces, att_len(path, "VGLVLS")) << c.file;
        EXPECT_EQ(c.nlays, dim_len(path, "LAY")) << c.file;
    }
}

// PERIM = 2*|NTHIK|*(NCOLS+NROWS+2*NTHIK): a frame outside the grid for a
// positive thickness, inside it for a negative one; never a negative length.
TEST(Layout, BoundaryPerimeterForEitherSign) {
    Sandbox box;
    const struct {
        const char* file;
        int ncols, nrows, nthik;
        long perim;
    } cases[] = {{"b1.nc", 10, 20, 1, 64}, {"b2.nc", 10, 5, 1, 34}, {"b3.nc", 10, 5, -1, 26}, {"b4.nc", 10, 8, -2, 56}};
    for (const auto& c : cases) {
        const std::string path = box.path(c.file);
        const Outcome r = box.make(path, BNDARY3, [&] {
            FDESC3.NCOLS3D = c.ncols;
            FDESC3.NROWS3D = c.nrows;
            FDESC3.NTHIK3D = c.nthik;
        });
        ASSERT_EQ(0, r.status) << c.file << r.log;
        EXPECT_EQ(c.perim, dim_len(path, "PERIM")) << c.file;
        const Outcome reopened = box.run({{"OUTF", path}}, [&] {
            ASSERT_TRUE(OPEN3("OUTF", FSRDONLY3, "LAYOUT"));
            EXPECT_EQ(c.perim, detail::slot(NAME2FID("OUTF")).laysz) << c.file;
            EXPECT_EQ(c.nthik, detail::slot(NAME2FID("OUTF")).nthik) << c.file;
        });
        EXPECT_EQ(0, reopened.status) << reopened.log;
    }
}

// The start is normalised on a stepped axis; a time-independent file keeps
// the date and time it was given (0:0 must not become a date before year 1).
TEST(Layout, StartDateNormalisedOnlyWithAStep) {
    Sandbox box;
    const struct {
        const char* file;
        int tstep, sdate, stime;
        int want_date, want_time;
    } cases[] = {
        {"s1.nc", 10000, 2020001, 240000, 2020002, 0},   {"s2.nc", 10000, 2019366, 0, 2020001, 0},
        {"s3.nc", -10000, 2020001, 236000, 2020002, 0}, {"s4.nc", 0, 0, 0, 0, 0},
        {"s5.nc", 0, 2020001, 240000, 2020001, 240000},
    };
    for (const auto& c : cases) {
        const std::string path = box.path(c.file);
        const Outcome r = box.make(path, GRDDED3, [&] {
            FDESC3.TSTEP3D = c.tstep;
            FDESC3.SDATE3D = c.sdate;
            FDESC3.STIME3D = c.stime;
        });
        ASSERT_EQ(0, r.status) << c.file << r.log;
        EXPECT_EQ(c.want_date, NcFile(path).int_att("SDATE")) << c.file;
        EXPECT_EQ(c.want_time, NcFile(path).int_att("STIME")) << c.file;
    }
}

TEST(Layout, SixtyFourBitOffsetsOnRequest) {
    Sandbox box;
    const struct {
        const char* file;
        const char* value;
        int format;
        const char* report;
    } cases[] = {
        {"classic.nc", nullptr, NC_FORMAT_CLASSIC, "Value for ORVEX_OFFSET_64 not defined;returning default:   FALSE"},
        {"offset.nc", "Y", NC_FORMAT_64BIT_OFFSET, "Value for ORVEX_OFFSET_64:  Y returning TRUE"},
        {"bad.nc", "1", NC_FORMAT_CLASSIC, "Bad environment vble \"ORVEX_OFFSET_64\""},
    };
    for (const auto& c : cases) {
        const std::string path = box.path(c.file);
        const Env env{{"ORVEX_OFFSET_64", c.value ? std::optional<std::string>(c.value) : std::nullopt}};
        const Outcome r = box.make(path, GRDDED3, {}, env);
        ASSERT_EQ(0, r.status) << r.log;
        const NcFile nc(path);
        int format = -1;
        ASSERT_EQ(NC_NOERR, nc.status);
        nc_inq_format(nc.id, &format);
        EXPECT_EQ(c.format, format) << c.file;
        const std::vector<std::string> lines = lines_of(r.log);
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "     " + std::string(c.report))) << r.log;
    }
}

TEST(Layout, EventCountsStartAtZero) {
    Sandbox box;
    const std::string path = box.path("kf.nc");
    ASSERT_EQ(0, box.make(path, KFEVNT3, [] { FDESC3.NCOLS3D = 9000; }).status);
    const NcFile nc(path);
    ASSERT_EQ(NC_NOERR, nc.status);
    ASSERT_GE(nc.varid("KFCOUNT"), 0);
    // Unwritten values would read back as the netCDF fill value.
    EXPECT_EQ(std::vector<int>(3 * 9000, 0), nc.ints("KFCOUNT"));
}

// Refused descriptions: the exact report, and no file left at the path.
TEST(Layout, CreationRefusals) {
    Sandbox box;
    const struct {
        const char* label;
        std::function<void()> adjust;
        std::vector<std::string> lines;
    } cases[] = {
        {"too many variables",
         [] {
             FDESC3.NVARS3D = MXVARS3 + 1;
             for (int v = 0; v < MXVARS3; ++v) FDESC3.VNAME3D[v] = "V" + std::to_string(v);
         },
         {"     Max NVARS for this build exceeded",
          "     netCDF error number  -48  processing file \"OUTF\"", "     NetCDF: NC_MAX_VARS exceeded"}},
        {"type without layout", [] { FDESC3.FTYPE3D = DGRAPH3; },
         {"     ", "     >>--->> WARNING in subroutine CRTFIL3", "     File creation error for file OUTF",
          "     ILLEGAL FILE TYPE.       -2", "     "}},
        {"illegal data type", [] { FDESC3.VTYPE3D[1] = 3; },
         {"     ", "     >>--->> WARNING in subroutine CRTFIL3",
          "     Error creating netCDF variable NO2             for file OUTF", "     Illegal data type        3",
          "     "}},
        {"too many extra attributes", [] { FDESC3.FTYPE3D = GRDATT3; FDATT3.NATTS3D[0] = MXATTS3 + 1; },
         {"     Error creating  attribute \"natts\" for variable O3",
          "     netCDF error number  -36  processing file \"OUTF\"", "     NetCDF: Invalid argument"}},
    };
    for (const auto& c : cases) {
        const std::string path = box.path("refused.nc");
        const Outcome r = box.run({{"OUTF", path}}, [&] {
            describe(GRDDED3);
            c.adjust();
            QVMSG2("MARK");
            EXPECT_FALSE(OPEN3("OUTF", FSNEW3, "LAYOUT"));
            QVMSG2("END");
            EXPECT_EQ(0, NAME2FID("OUTF"));
        });
        EXPECT_EQ(0, r.status) << c.label << r.log;
        EXPECT_EQ(c.lines, between(r.log, "MARK", "END")) << c.label;
        EXPECT_FALSE(fs::exists(path)) << c.label;
    }
}

TEST(Layout, MostVariablesOfABuild) {
    Sandbox box;
    const std::string path = box.path("wide.nc");
    const Outcome r = box.run({{"OUTF", path}}, [&] {
        describe(CUSTOM3, MXVARS3);
        FDESC3.NCOLS3D = 1;
        FDESC3.NLAYS3D = 1;
        ASSERT_TRUE(OPEN3("OUTF", FSNEW3, "LAYOUT"));
        ASSERT_TRUE(CLOSE3("OUTF"));
        ASSERT_TRUE(OPEN3("OUTF", FSRDONLY3, "LAYOUT"));
        ASSERT_TRUE(DESC3("OUTF"));
        EXPECT_EQ(MXVARS3, FDESC3.NVARS3D);
        EXPECT_EQ("V2047", FDESC3.VNAME3D[MXVARS3 - 1].trimmed());
    });
    EXPECT_EQ(0, r.status) << r.log;
}

}  // namespace
}  // namespace gf_test
