// pondra with its matching on a second thread against the same runs with the
// overlap switched off (PONDRA_OVERLAP=0): the same output files (apart from
// the wall-clock attributes), standard output, log, standard error and status,
// on whole runs and on a run that fails in the middle of its inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/tool/pondra_fixture.hpp"

namespace pondra {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// The bytes of a netCDF file with CDATE, CTIME, WDATE and WTIME set to 0 (the
// same size in the header, so nothing moves).
std::string bytes_without_clock(const fs::path& p) {
    const fs::path copy = p.string() + ".masked";
    fs::copy_file(p, copy, fs::copy_options::overwrite_existing);
    const int status = kit::nc_edit(copy.string(), [](int ncid) {
        int s = 0;
        for (const char* name : {"CDATE", "CTIME", "WDATE", "WTIME"})
            if (s == 0) s = kit::put_int_att(ncid, name, 0);
        return s;
    });
    EXPECT_EQ(status, 0) << p;
    return read_file(copy);
}

class OverlapRun : public ::testing::Test {
protected:
    struct Outcome {
        RunResult run;
        std::string qa, aq;
    };

    Outcome run(const std::string& input, bool overlap) const {
        Launch l;
        l.dir = dir;
        for (const char* n : {"A", "B", "C", "D", "E", "F"}) l.env.emplace_back(n, (dir / (std::string(n) + ".nc")).string());
        l.env.emplace_back("EMISQA", (dir / "qa.nc").string());
        l.env.emplace_back("AIRQUAL", (dir / "aq.nc").string());
        l.env.emplace_back("PONDRA_OVERLAP", overlap ? "1" : "0");
        fs::remove(dir / "pondra.log");
        fs::remove(dir / "qa.nc");
        fs::remove(dir / "aq.nc");
        Outcome o{run_pondra(l, input), "", ""};
        if (fs::exists(dir / "qa.nc")) o.qa = bytes_without_clock(dir / "qa.nc");
        if (fs::exists(dir / "aq.nc")) o.aq = bytes_without_clock(dir / "aq.nc");
        return o;
    }

    void expect_same(const std::string& input, int status) const {
        const Outcome off = run(input, false);
        const Outcome on = run(input, true);
        EXPECT_EQ(off.run.status, status) << off.run.err;
        EXPECT_EQ(on.run.status, off.run.status);
        EXPECT_EQ(on.run.out, off.run.out);
        EXPECT_EQ(on.run.log, off.run.log);
        EXPECT_EQ(on.run.err, off.run.err);
        EXPECT_EQ(on.qa, off.qa);
        EXPECT_EQ(on.aq, off.aq);
    }

    // Inputs of three cell sizes over a 60 x 50 grid of 4 km, each with three
    // variables and missing values, later ones nested in earlier ones; F has
    // no second variable in its first step.
    void SetUp() override {
        const char* names[] = {"A", "B", "C", "D", "E", "F"};
        for (int k = 0; k < 6; ++k) {
            ModelFile f;
            f.lname = names[k];
            f.path = dir / (f.lname + ".nc");
            const double cell = k < 2 ? 12000.0 : k < 4 ? 8000.0 : 4000.0;
            f.ncols = 30 - 3 * k;
            f.nrows = 25 - 2 * k;
            f.xorig = 24000.0 * k;
            f.yorig = 16000.0 * k;
            f.xcell = f.ycell = cell;
            f.vars = {{"O3", "ppbV", "ozone"}, {"NO2", "ppbV", "nitrogen dioxide"}, {"CO", "ppbV", "carbon"}};
            f.value = [k](int v, int, int c, int r) {
                return (c * 7 + r * 3 + k) % 11 == 0 ? -9.0 : 1000.0 * (k + 1) + 100 * v + 10 * r + c;
            };
            if (k == 5) f.unwritten_var = 1;  // F: its second variable cannot be read
            ASSERT_TRUE(write_model_file(f));
        }
    }

    const Sandbox box{"overlap"};
    const fs::path dir = box.dir();
};

TEST_F(OverlapRun, SameFilesOutputAndLog) {
    const std::string head = "33 45 -97 -97 60 50 0 0 4\n2005\nEMISQA\nAIRQUAL\n";
    expect_same(head + "5\nA\nB\nC\nD\nE\n", 0);
    expect_same(head + "3\nE\nA\nC\n", 0);
    expect_same(head + "1\nB\n", 0);
}

TEST_F(OverlapRun, FailureInTheMiddleOfTheInputs) {
    const std::string head = "33 45 -97 -97 60 50 0 0 4\n2005\nEMISQA\nAIRQUAL\n";
    expect_same(head + "4\nA\nB\nMISSING\nC\n", 2);
    expect_same(head + "5\nA\nB\nC\nF\nE\n", 2);
}

}  // namespace
}  // namespace pondra
