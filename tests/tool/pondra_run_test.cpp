// Whole runs of the built pondra on input files written through the library:
// standard output compared whole, output files read back with netCDF.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "support/notice.hpp"
#include "tests/tool/pondra_fixture.hpp"

namespace pondra {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// What the layer's first initialisation echoes on standard output when the log
// is a file.
std::string startup_echo() {
    std::string s;
    for (std::string_view line : orvex::detail::NOTICE) s += "     " + std::string(line) + "\n";
    s += "     " + std::string(orvex::detail::VERSION_TEXT) + "\n";
    std::string nc = nc_inq_libvers();
    while (!nc.empty() && nc.back() == ' ') nc.pop_back();
    s += "     netCDF version " + nc + "\n     \n";
    return s;
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// The dialogue of the runs below: a 6 x 4 grid of 12 km cells at (-900 km, -720 km).
std::string dialogue(const std::vector<std::string>& entries, const std::string& out1 = "EMISQA",
                     const std::string& out2 = "AIRQUAL") {
    std::string d = "33 45 -97 -97 6 4 -900 -720 12\n2005\n" + out1 + "\n" + out2 + "\n" +
                    std::to_string(entries.size()) + "\n";
    for (const auto& e : entries) d += e + "\n";
    return d;
}

std::string echo(const std::vector<std::string>& entries) {
    std::string s =
        " max vars        2048\n"
        "Projection:               33.       45.      -97.      -97.\n"
        " X and Y cells:           6           4\n"
        " X orig, Y orig, cell size (m):  -900000.0      -720000.0       12000.00    \n"
        " Year for output file:        2005\n"
        " Output emissions QA file:EMISQA          \n"
        " Output air quality file:AIRQUAL         \n"
        " # of input files to pondra:" +
        std::string(12 - std::to_string(entries.size()).size(), ' ') + std::to_string(entries.size()) + "\n";
    for (const auto& e : entries) s += " FILE:" + e + blanks(180 - e.size()) + "\n";
    return s;
}

class PondraRun : public ::testing::Test {
protected:
    // Logical name -> path in the scratch directory.
    Env env(const std::vector<std::string>& names) const {
        Env e;
        for (const auto& n : names) e.emplace_back(n, (dir / (n + ".nc")).string());
        return e;
    }

    // A gridded file in the scratch directory, square cells, one step.
    ModelFile grid_file(const std::string& lname, int ncols, int nrows, double xorig, double yorig,
                        double cell) const {
        ModelFile f;
        f.lname = lname;
        f.path = dir / (lname + ".nc");
        f.ncols = ncols;
        f.nrows = nrows;
        f.xorig = xorig;
        f.yorig = yorig;
        f.xcell = f.ycell = cell;
        return f;
    }

    // A 5 x 4 grid of 36 km cells with two variables, two hourly steps.
    ModelFile outer(const std::string& lname) const {
        ModelFile f = grid_file(lname, 5, 4, -1000000.0, -800000.0, 36000.0);
        f.nsteps = 2;
        f.vars = {{"O3", "ppbV", "ozone"}, {"NO2", "ppbV", "nitrogen dioxide"}};
        f.value = [](int v, int s, int c, int r) { return (v + 1) * 1000 + s * 500 + (r + 1) * 10 + (c + 1); };
        return f;
    }

    const Sandbox box{"run"};
    const fs::path dir = box.dir();
};

TEST_F(PondraRun, NestedFilesBuildOneMosaicInBothOutputs) {
    ModelFile zero = grid_file("ZEROV", 3, 3, -1000000.0, -800000.0, 36000.0);
    zero.nsteps = 0;
    ModelFile nest = grid_file("NEST", 4, 3, -888000.0, -720000.0, 12000.0);
    nest.vars = {{"O3N", "ppm", "ozone nest"}, {"NO2N", "ppm", "nitrogen dioxide nest"}};
    nest.value = [](int v, int, int c, int r) {
        return v == 0 && c == 1 && r == 0 ? -9.0 : (v + 1) * 2000 + (r + 1) * 10 + (c + 1);
    };
    ASSERT_TRUE(write_model_file(zero));
    ASSERT_TRUE(write_model_file(outer("OUTER")));
    ASSERT_TRUE(write_model_file(nest));

    const std::vector<std::string> entries = {"ZEROV", "OUTER", "NEST"};
    const auto r = run_pondra(dir, dialogue(entries), env({"ZEROV", "OUTER", "NEST", "EMISQA", "AIRQUAL"}));
    ASSERT_EQ(r.status, 0) << r.out << r.log;
    const std::string mesh3 = " MESH FACTOR:   3.000000       12000.00       36000.0000000000     \n";
    const std::string heading = "      \n     The list of variables in this file is:\n      \n";
    const std::string expected =
        echo(entries) + startup_echo() +
        // ZEROV: no variables
        "            3           3           1       10000           0\n"
        " Reading model file\n" +
        heading +
        " max records           0     2005032           0\n" + mesh3 +
        " GRID SPECS:           3           3\n"
        " Reading file at     2005032           0\n"
        // OUTER
        "            5           4           1       10000           2\n"
        " Reading model file\n" +
        heading +
        "     O3  (ppbV): ozone           \n"
        "     NO2 (ppbV): nitrogen dioxide\n"
        " max records           2     2005032           0\n" +
        mesh3 +
        " GRID SPECS:           5           4\n"
        " Reading file at     2005032           0\n"
        "            2           1 O3              \n"
        " HERE\n"
        "            2           2 NO2             \n"
        " HERE\n"
        // NEST
        "            4           3           1       10000           2\n"
        " Reading model file\n" +
        heading +
        "     O3N  (ppm): ozone nest           \n"
        "     NO2N (ppm): nitrogen dioxide nest\n"
        " max records           1     2005032           0\n"
        " MESH FACTOR:   1.000000       12000.00       12000.0000000000     \n"
        " GRID SPECS:           4           3\n"
        " Reading file at     2005032           0\n"
        "            2           1 O3N             \n"
        " HERE\n"
        "            2           2 NO2N            \n"
        " HERE\n"
        // Outputs
        " O3N             \n"
        " tons            \n"
        " Gridded emissions" + blanks(63) + "\n"
        " NO2N            \n"
        " tons            \n"
        " Gridded emissions" + blanks(63) + "\n"
        " O3N             tons            \n"
        " NO2N            tons            \n"
        " O3N             \n"
        " NO2N            \n";
    EXPECT_EQ(r.out, expected);

    // Column fastest, row 1 at the south edge. Row 4 is reached by no file.
    const std::vector<float> o3 = {1033, 2011, 1033, 2013, 1034, 1034,  //
                                   1033, 2021, 2022, 2023, 1034, 1034,  //
                                   1033, 1033, 1033, 1034, 1034, 1034,  //
                                   0,    0,    0,    0,    0,    0};
    const std::vector<float> no2 = {2033, 4011, 4012, 4013, 2034, 2034,  //
                                    2033, 4021, 4022, 4023, 2034, 2034,  //
                                    2033, 2033, 2033, 2034, 2034, 2034,  //
                                    0,    0,    0,    0,    0,    0};
    struct Out {
        const char* name;
        const char* units;
        const char* desc;
    };
    for (const Out& o : {Out{"EMISQA", "tons", "Gridded emissions"}, Out{"AIRQUAL", "ug/m3", "NLIN2.0"}}) {
        SCOPED_TRACE(o.name);
        const NcFile nc(dir / (std::string(o.name) + ".nc"));
        ASSERT_EQ(nc.status, NC_NOERR);
        EXPECT_EQ(nc.floats("O3N"), o3);
        EXPECT_EQ(nc.floats("NO2N"), no2);
        EXPECT_EQ(nc.text_att("O3N", "units"), std::string(o.units) + blanks(16 - std::strlen(o.units)));
        EXPECT_EQ(nc.text_att("NO2N", "var_desc"), std::string(o.desc) + blanks(80 - std::strlen(o.desc)));
        EXPECT_EQ(nc.first_flags(), (std::vector<int>{2005001, 0, 2005001, 0}));
        EXPECT_EQ(nc.text_att("", "VAR-LIST"), "O3N             NO2N            ");
        EXPECT_EQ(nc.int_att("SDATE"), 2005001);
        EXPECT_EQ(nc.int_att("STIME"), 0);
        EXPECT_EQ(nc.int_att("TSTEP"), 240000);
        EXPECT_EQ(nc.int_att("NCOLS"), 6);
        EXPECT_EQ(nc.int_att("NROWS"), 4);
        EXPECT_EQ(nc.int_att("NLAYS"), 1);
        EXPECT_EQ(nc.int_att("GDTYP"), 2);
        EXPECT_EQ(nc.double_att("P_ALP"), 33.0);
        EXPECT_EQ(nc.double_att("P_BET"), 45.0);
        EXPECT_EQ(nc.double_att("P_GAM"), -97.0);
        EXPECT_EQ(nc.double_att("XCENT"), -97.0);
        EXPECT_EQ(nc.double_att("YCENT"), 40.0);
        EXPECT_EQ(nc.double_att("XORIG"), -900000.0);
        EXPECT_EQ(nc.double_att("YORIG"), -720000.0);
        EXPECT_EQ(nc.double_att("XCELL"), 12000.0);
        EXPECT_EQ(nc.double_att("YCELL"), 12000.0);
        EXPECT_EQ(nc.text_att("", "GDNAM"), "TESTGRID        ");
        EXPECT_EQ(nc.text_att("", "UPNAM"), "QUON            ");
        EXPECT_EQ(nc.text_att("", "FILEDESC").substr(0, 80), "pondra test input NEST" + blanks(58));
    }
    EXPECT_EQ(r.log.find("ERROR ABORT"), std::string::npos);
}

TEST_F(PondraRun, SameOutputNameKeepsOnlyAirQualityLabels) {
    ASSERT_TRUE(write_model_file(outer("OUTER")));
    const auto r = run_pondra(dir, dialogue({"OUTER"}, "SAMEOUT", "SAMEOUT"), env({"OUTER", "SAMEOUT"}));
    ASSERT_EQ(r.status, 0) << r.log;
    const NcFile nc(dir / "SAMEOUT.nc");
    ASSERT_EQ(nc.status, NC_NOERR);
    EXPECT_EQ(nc.text_att("O3", "units"), "ug/m3" + blanks(11));
    EXPECT_EQ(nc.floats("O3")[0], 1033.0f);
}

// Fatal ends: status 2, the abort block in the log, nothing written after it.
struct FatalCase {
    const char* title;
    std::function<void(ModelFile&)> edit;  // applied to the single input file
    std::string caller;
    std::string message;
};

TEST_F(PondraRun, RefusedInputFilesEndTheRun) {
    const std::vector<FatalCase> cases = {
        {"two layers", [](ModelFile& f) { f.nlays = 2; }, "QUON", "File \"BAD\" has 2 layers; only 1 can be read"},
        {"eleven variables",
         [](ModelFile& f) {
             f.vars.clear();
             for (int v = 1; v <= 11; ++v) f.vars.push_back({std::string("V").append(std::to_string(v)), "ppb", "variable"});
         },
         "QUON", "File \"BAD\" has 11 variables; at most 10 can be matched"},
        {"double variable", [](ModelFile& f) { f.vars[1].vtype = orvex::QVDBLE; }, "QUON",
         "File \"BAD\" variable \"NO2\" has data type 6; only REAL can be read"},
        {"custom file", [](ModelFile& f) { f.ftype = orvex::CUSTOM3; }, "QUON",
         "File \"BAD\" is not a gridded file (file type -1)"},
        {"first step of NO2 not written", [](ModelFile& f) { f.unwritten_var = 1; }, "MIRVAL:TOLBANE",
         "Read failure:  file BAD" + blanks(177) + " variable NO2"},
    };
    for (const FatalCase& c : cases) {
        SCOPED_TRACE(c.title);
        ModelFile f = outer("BAD");
        c.edit(f);
        ASSERT_TRUE(write_model_file(f));
        const auto r = run_pondra(dir, dialogue({"BAD"}), env({"BAD", "EMISQA", "AIRQUAL"}));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.log.find("     *** ERROR ABORT in subroutine " + c.caller + "\n     " + c.message + "\n"),
                  std::string::npos)
            << r.log;
        EXPECT_FALSE(fs::exists(dir / "EMISQA.nc"));
        fs::remove(dir / "BAD.nc");
        fs::remove(dir / "pondra.log");
    }
}

TEST_F(PondraRun, ReadFailureNamesDateAndTime) {
    ModelFile f = outer("BAD");
    f.unwritten_var = 0;
    ASSERT_TRUE(write_model_file(f));
    const auto r = run_pondra(dir, dialogue({"BAD"}), env({"BAD", "EMISQA", "AIRQUAL"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.log.find("     Date and time  " + orvex::DT2STR(2005032, 0) + "  (2005032:000000)\n"),
              std::string::npos)
        << r.log;
    // The listing went out; the failed variable got no "HERE".
    EXPECT_NE(r.out.find(" Reading file at     2005032           0\n            2           1 O3              \n"),
              std::string::npos);
    EXPECT_EQ(r.out.find(" HERE"), std::string::npos);
}

TEST_F(PondraRun, UnopenableEntryEndsTheRunBeforeItsListing) {
    ASSERT_TRUE(write_model_file(outer("OUTER")));
    const std::vector<std::string> entries = {"OUTER", "  NOFILE"};
    const auto r = run_pondra(dir, dialogue(entries), env({"OUTER", "EMISQA", "AIRQUAL"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.log.find("     *** ERROR ABORT in subroutine QUON\n     Could not open file \"  NOFILE\" for input\n"),
              std::string::npos)
        << r.log;
    EXPECT_EQ(r.out.substr(r.out.size() - 6), " HERE\n");  // OUTER was read completely
}

TEST_F(PondraRun, UncreatableOutputEndsTheRun) {
    ASSERT_TRUE(write_model_file(outer("OUTER")));
    auto e = env({"OUTER", "AIRQUAL"});
    e.emplace_back("EMISQA", (dir / "no_such_dir" / "emis.nc").string());
    const auto r = run_pondra(dir, dialogue({"OUTER"}), e);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.log.find("     *** ERROR ABORT in subroutine QUON\n     Could not open file \"EMISQA\" for output\n"),
              std::string::npos)
        << r.log;
    const std::string last = " NO2             \n tons            \n Gridded emissions" + blanks(63) + "\n";
    ASSERT_GE(r.out.size(), last.size());
    EXPECT_EQ(r.out.substr(r.out.size() - last.size()), last);
    EXPECT_FALSE(fs::exists(dir / "AIRQUAL.nc"));
}

TEST_F(PondraRun, RunLevelRefusals) {
    struct Case {
        std::string input, message;
    };
    const Case cases[] = {
        {"33 45 -97 -97 6 4 -900 -720 12\n2005\nA\nB\n0\n",
         "No input files (NFILES 0): nothing to describe the output files"},
        {"33 45 -97 -97 6 4 -900 -720 0\n2005\nA\nB\n1\nOUTER\n",
         "Output cell size must be positive; CELL (m) is 0.000000"},
        {"33 45 -97 -97 6 4 -900 -720 -12\n2005\nA\nB\n1\nOUTER\n",
         "Output cell size must be positive; CELL (m) is -12000.00"},
    };
    for (const Case& c : cases) {
        const auto r = run_pondra(dir, c.input);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.log.find("     *** ERROR ABORT in subroutine QUON\n     " + c.message + "\n"), std::string::npos)
            << r.log;
        EXPECT_EQ(r.out.find("Reading model file"), std::string::npos);
        fs::remove(dir / "pondra.log");
    }
}

}  // namespace
}  // namespace pondra
