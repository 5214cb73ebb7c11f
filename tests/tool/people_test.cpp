// What pondra tells a person on standard error and its command line: help,
// version, refused arguments, the one line of a failed run, the progress line,
// the coverage report and the warnings for runs that look wrong; and that none
// of it changes standard output or the log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netcdf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/tool/pondra_fixture.hpp"

namespace pondra {
namespace {

using namespace testing;
namespace fs = std::filesystem;

std::size_t count_lines(const std::string& s) {
    std::size_t n = 0;
    for (char c : s) n += c == '\n';
    return n;
}

class PondraForPeople : public ::testing::Test {
protected:
    // A gridded file in the scratch directory: one variable O3 (and NO2), one
    // step, value(c, r) per cell.
    ModelFile grid_file(const std::string& lname, int ncols, int nrows, double xorig, double yorig, double cell,
                        Values value) const {
        ModelFile f;
        f.lname = lname;
        f.path = dir / (lname + ".nc");
        f.ncols = ncols;
        f.nrows = nrows;
        f.xorig = xorig;
        f.yorig = yorig;
        f.xcell = f.ycell = cell;
        f.gdtyp = 2;
        f.vars = {{"O3", "ppbV", "ozone"}, {"NO2", "ppbV", "nitrogen dioxide"}};
        f.value = std::move(value);
        return f;
    }

    // The dialogue: an output grid of ncols x nrows cells of `cell` km at the
    // origin (km), the inputs listed, and `extra` lines after them.
    static std::string dialogue(const std::vector<std::string>& inputs, const std::string& grid = "12 10 0 0 10",
                                const std::string& year = "2005", const std::string& proj = "33 45 -97 -97",
                                const std::string& extra = "") {
        std::string d = proj + " " + grid + "\n" + year + "\nEMISQA\nAIRQUAL\n" + std::to_string(inputs.size()) + "\n";
        for (const auto& i : inputs) d += i + "\n";
        return d + extra;
    }

    Launch launch(const std::vector<std::string>& names, Env more = {}) const {
        Launch l;
        l.dir = dir;
        for (const auto& n : names) l.env.emplace_back(n, (dir / (n + ".nc")).string());
        l.env.emplace_back("EMISQA", (dir / "qa.nc").string());
        l.env.emplace_back("AIRQUAL", (dir / "aq.nc").string());
        for (auto& [name, value] : more) {
            auto same = [&](const auto& e) { return e.first == name; };
            l.env.erase(std::remove_if(l.env.begin(), l.env.end(), same), l.env.end());
            l.env.emplace_back(name, value);
        }
        return l;
    }

    RunResult run(Launch l, const std::string& input) const {
        fs::remove(dir / "pondra.log");
        fs::remove(dir / "qa.nc");
        fs::remove(dir / "aq.nc");
        return run_pondra(l, input);
    }

    // One 4 x 4 input of 10 km cells at the output origin, values 1.
    void one_input(const std::string& lname = "A") const {
        ASSERT_TRUE(write_model_file(grid_file(lname, 4, 4, 0.0, 0.0, 10000.0, [](int, int, int, int) { return 1.0; })));
    }

    const Sandbox box{"people"};
    const fs::path dir = box.dir();
};

// --help and --version answer without starting the layer; anything else is refused.
TEST_F(PondraForPeople, CommandLine) {
    Launch l = launch({});
    l.args = {"--help"};
    RunResult r = run(l, "");
    EXPECT_EQ(r.status, 0);
    for (const char* part : {"Usage: pondra", "NCOLS NROWS XORIG YORIG CELL", "NFILES", "LOGFILE", "PONDRA_QUIET",
                             "PONDRA_PROGRESS", "Exit status", "Example:"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(dir / "pondra.log")) << "the layer was started";

    l.args = {"-h"};
    const RunResult h = run(l, "");
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.out, r.out);

    l.args = {"--version"};
    r = run(l, "");
    EXPECT_EQ(r.status, 0);
    std::string nc = nc_inq_libvers();
    nc = nc.substr(0, nc.find(' '));
    EXPECT_EQ(r.out, "pondra 3.1 (orvex library 3.1)\nnetCDF " + nc + "\n");
    EXPECT_FALSE(fs::exists(dir / "pondra.log"));

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--frobnicate"}, {"-x"}, {"--help", "more"}}) {
        l.args = args;
        r = run(l, dialogue({}));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(count_lines(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find("unknown argument \"" + args.back() + "\""), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("pondra --help"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "pondra.log"));
    }
}

// On a terminal, one line says where the dialogue is read from before it is read.
TEST_F(PondraForPeople, TerminalHint) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string typed = dialogue({});
    ASSERT_EQ(::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    Launch l = launch({});
    l.stdin_file = ::ptsname(master);
    const RunResult r = run(l, "");
    ::close(master);
    EXPECT_EQ(r.status, 2);  // no input files
    EXPECT_EQ(r.err.rfind("pondra: reading the run dialogue from standard input", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("pondra --help"), std::string::npos);
    EXPECT_EQ(r.out, run(launch({}), typed).out);
}

// Each failure cause in one line on standard error, naming the cause and
// where the details are.
TEST_F(PondraForPeople, FailureLines) {
    one_input();
    write_file(dir / "text.nc", "not a netCDF file\n");
    const std::string log = (dir / "pondra.log").string();
    struct Case {
        const char* label;
        Env env;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"unset name", {{"A", std::nullopt}},
         "pondra: could not open input file A: the logical name A is not set in the environment, so \"A\" was taken "
         "as a path: No such file or directory; details in the log " + log + "\n"},
        {"missing file", {{"A", (dir / "none.nc").string()}},
         "pondra: could not open input file A (" + (dir / "none.nc").string() +
             "): No such file or directory; details in the log " + log + "\n"},
        {"not a netCDF file", {{"A", (dir / "text.nc").string()}},
         "pondra: could not open input file A (" + (dir / "text.nc").string() +
             "): the file is not a gridded file the library can read; details in the log " + log + "\n"},
        {"no output directory", {{"EMISQA", (dir / "nodir" / "qa.nc").string()}},
         "pondra: could not create output file EMISQA (" + (dir / "nodir" / "qa.nc").string() +
             "): the output directory " + (dir / "nodir").string() + " does not exist; details in the log " + log +
             "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const RunResult r = run(launch({"A"}, c.env), dialogue({"A"}));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.expected);
    }

    // A log file that exists already: the layer's lines go to standard output.
    Launch l = launch({"A"});
    l.log = "old.log";
    write_file(dir / "old.log", "kept\n");
    const RunResult r = run_pondra(l, dialogue({"A"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "pondra: could not create the log file " + (dir / "old.log").string() +
                         " (LOGFILE): File exists; a log file is never overwritten or appended to; details on "
                         "standard output\n");
    EXPECT_EQ(read_file(dir / "old.log"), "kept\n");
}

// The coverage table against a count of the output cells: three overlapping
// inputs with holes, each value telling which input it came from.
TEST_F(PondraForPeople, CoverageReportCountsTheOutputCells) {
    // Output: 12 x 10 cells of 10 km at (0, 0). A (20 km cells) covers
    // columns 0-9, rows 0-9; B (10 km) columns 6-11, rows 0-4, its first row
    // missing (A keeps columns 6-9 of output row 0, columns 10-11 hold only
    // missing values); C (10 km) columns 0-2, rows 7-9, its second column
    // missing (A keeps those cells).
    ASSERT_TRUE(write_model_file(grid_file("A", 6, 6, 0.0, 0.0, 20000.0,
                                           [](int, int, int c, int r) { return 1000.0 + 10 * r + c; })));
    ASSERT_TRUE(write_model_file(grid_file("B", 10, 6, 60000.0, 0.0, 10000.0, [](int, int, int c, int r) {
        return r == 0 ? -9.0 : 2000.0 + 10 * r + c;
    })));
    ASSERT_TRUE(write_model_file(grid_file("C", 4, 4, 0.0, 70000.0, 10000.0, [](int, int, int c, int r) {
        return c == 1 ? -9.0 : 3000.0 + 10 * r + c;
    })));
    const RunResult r = run(launch({"A", "B", "C"}), dialogue({"A", "B", "C"}));
    ASSERT_EQ(r.status, 0) << r.err << r.out;

    // The independent count: the thousands of each output value.
    const std::vector<float> o3 = kit::NcFile(dir / "qa.nc").floats("O3");
    ASSERT_EQ(o3.size(), 120u);
    std::map<int, std::size_t> from;
    for (float v : o3) ++from[static_cast<int>(v) / 1000];
    // B's holes at columns 10-11 of row 0 lie where no other input reaches.
    const std::size_t all_missing = 2;
    ASSERT_GE(from[0], all_missing);

    const std::regex line(R"(\s+(\d+)\s+(\S+)\s+([\d.]+)\s+(\d+)\s+([\d.]+)%)");
    std::map<std::string, std::size_t> reported;
    std::smatch m;
    for (const std::string& l : kit::lines_of(r.err))
        if (std::regex_match(l, m, line)) reported[m[2]] = std::stoul(m[4]);
    EXPECT_EQ(reported["A"], from[1]) << r.err;
    EXPECT_EQ(reported["B"], from[2]) << r.err;
    EXPECT_EQ(reported["C"], from[3]) << r.err;
    EXPECT_NE(r.err.find("pondra: coverage of the 12 x 10 output grid (120 cells)"), std::string::npos) << r.err;
    const std::regex uncovered(R"(not covered \(0\.0\)\s+(\d+))"), missing(R"(every value missing\s+(\d+))");
    ASSERT_TRUE(std::regex_search(r.err, m, uncovered)) << r.err;
    EXPECT_EQ(std::stoul(m[1]), from[0] - all_missing);
    ASSERT_TRUE(std::regex_search(r.err, m, missing)) << r.err;
    EXPECT_EQ(std::stoul(m[1]), all_missing);

    // Quiet: no report.
    const RunResult q = run(launch({"A", "B", "C"}, {{"PONDRA_QUIET", "yes"}}), dialogue({"A", "B", "C"}));
    EXPECT_EQ(q.status, 0);
    EXPECT_EQ(q.err, "");
}

// Every warning, each from a run that carries on.
TEST_F(PondraForPeople, SanityWarnings) {
    one_input();
    ASSERT_TRUE(write_model_file(grid_file("HALF", 10, 4, -35000.0, 0.0, 10000.0, [](int, int, int, int) { return 2.0; })));
    ModelFile lonlat = grid_file("LL", 4, 4, 0.0, 0.0, 10000.0, [](int, int, int, int) { return 3.0; });
    lonlat.gdtyp = 1;
    ASSERT_TRUE(write_model_file(lonlat));
    ASSERT_TRUE(write_model_file(grid_file("FAR", 4, 4, 9.0e6, 9.0e6, 10000.0, [](int, int, int, int) { return 4.0; })));
    const Env quiet = {{"PONDRA_QUIET", "1"}};
    struct Case {
        const char* label;
        std::vector<std::string> inputs;
        std::string input;
        std::string warning;
    };
    const std::vector<Case> cases = {
        {"origin between cells", {"HALF"}, dialogue({"HALF"}),
         "pondra: warning: input HALF: the output origin lies 3.5 of its cells from its origin in x, 0.5 of a cell "
         "off a whole number; positions are taken in whole cells (3), so its values may land a cell off"},
        {"grid type", {"LL"}, dialogue({"LL"}),
         "pondra: warning: input LL is on grid type 1 (longitude-latitude), the output on grid type 2 (Lambert "
         "conformal conic); its cells are placed by their x and y numbers alone"},
        {"output cell in metres", {"A"}, dialogue({"A"}, "12 10 0 0 10000"),
         "pondra: warning: the output cell size 10000 km on dialogue line 1 looks like metres; the dialogue takes "
         "kilometres"},
        {"input cells 1000 times the output's", {"A"}, dialogue({"A"}, "12 10 0 0 0.01"),
         "pondra: warning: input A has cells of 10000 m, 1000 times the output's 10 m: one of the two looks like "
         "metres where kilometres are meant, or the reverse"},
        {"projection", {"A"}, dialogue({"A"}, "12 10 0 0 10", "2005", "30 60 -100 -100"),
         "pondra: warning: dialogue line 1 gives the projection 30 60 -100 -100, but the outputs are written with "
         "33 45 -97 -97 (the dialogue's numbers are only echoed)"},
        {"two-digit year", {"A"}, dialogue({"A"}, "12 10 0 0 10", "5"),
         "pondra: warning: year 5 on dialogue line 2 is taken as it is (the year 5 of the common era), not as 1905 "
         "or 2005; give all four digits"},
        {"nothing covered", {"FAR"}, dialogue({"FAR"}),
         "pondra: warning: no input file covers any cell of the 12 x 10 output grid: every output value is 0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const RunResult r = run(launch(c.inputs, quiet), c.input);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, c.warning + "\n");
    }

    // An output name cut to 16 characters.
    Launch l = launch({"A"}, quiet);
    l.env.emplace_back("EMISSIONS_QA_FIL", (dir / "long.nc").string());
    RunResult r = run(l, "33 45 -97 -97 12 10 0 0 10\n2005\nEMISSIONS_QA_FILE_2005\nAIRQUAL\n1\nA\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "pondra: warning: output name \"EMISSIONS_QA_FILE_2005\" on dialogue line 3 is longer than 16 "
                     "characters; it was cut to \"EMISSIONS_QA_FIL\"\n");
    EXPECT_TRUE(fs::exists(dir / "long.nc"));

    // Names after the last one counted, from a regular file; from a pipe they are not looked for.
    const std::string extra = dialogue({"A"}, "12 10 0 0 10", "2005", "33 45 -97 -97", "B\nC\n");
    l = launch({"A"}, quiet);
    write_file(dir / "dialogue.txt", extra);
    l.stdin_file = dir / "dialogue.txt";
    r = run(l, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "pondra: warning: the dialogue has 2 more names after the 1 input file counted on line 5 (the "
                     "first: \"B\"); they were not read\n");
    r = run(launch({"A"}, quiet), extra);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

// Standard output, the log and the output files are the same with every
// feature on (progress, warnings, report) as with PONDRA_QUIET and standard
// error elsewhere; the progress line is drawn only when asked for.
TEST_F(PondraForPeople, NothingChangesStandardOutputOrTheLog) {
    one_input();
    ASSERT_TRUE(write_model_file(grid_file("HALF", 10, 4, -35000.0, 0.0, 10000.0, [](int, int, int, int) { return 2.0; })));
    const std::string input = dialogue({"A", "HALF"}, "12 10 0 0 10", "5");
    const RunResult loud = run(launch({"A", "HALF"}, {{"PONDRA_PROGRESS", "Y"}}), input);
    const std::vector<float> loud_o3 = kit::NcFile(dir / "qa.nc").floats("O3");
    const RunResult quiet = run(launch({"A", "HALF"}, {{"PONDRA_QUIET", "t"}}), input);
    ASSERT_EQ(loud.status, 0);
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(loud.out, quiet.out);
    EXPECT_EQ(loud.log, quiet.log);
    EXPECT_EQ(loud_o3, kit::NcFile(dir / "qa.nc").floats("O3"));
    EXPECT_NE(loud.err.find("\rfile 2 of 2  HALF  "), std::string::npos) << loud.err;
    EXPECT_NE(loud.err.find("output 2 of 2  AIRQUAL  variable 2 of 2  "), std::string::npos) << loud.err;
    EXPECT_NE(loud.err.find("pondra: coverage of"), std::string::npos);
    EXPECT_EQ(count_lines(quiet.err), 2u) << quiet.err;  // the two warnings alone
    EXPECT_EQ(quiet.err.find('\r'), std::string::npos);

    // A failure in the middle of the inputs: the same lines either way.
    const std::string failing = dialogue({"A", "MISSING", "HALF"});
    const RunResult f1 = run(launch({"A", "HALF"}, {{"PONDRA_PROGRESS", "1"}}), failing);
    const RunResult f2 = run(launch({"A", "HALF"}, {{"PONDRA_QUIET", "1"}}), failing);
    EXPECT_EQ(f1.status, 2);
    EXPECT_EQ(f2.status, 2);
    EXPECT_EQ(f1.out, f2.out);
    EXPECT_EQ(f1.log, f2.log);
    EXPECT_EQ(count_lines(f2.err), 1u) << f2.err;
    EXPECT_NE(f1.err.find(f2.err), std::string::npos) << f1.err;
}

}  // namespace
}  // namespace pondra
