// pondra reading a file-set list as one of its inputs: the list's first step
// is the earliest start of its members, wherever that member stands.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/tool/pondra_fixture.hpp"

namespace pondra {
namespace {

using namespace testing;
namespace fs = std::filesystem;

const std::string DIALOGUE_HEAD = "33 45 -97 -97 6 4 -900 -720 12\n2005\nEMISQA\nAIRQUAL\n1\n";

class ListInput : public ::testing::Test {
protected:
    // Six hourly steps of two variables on the output grid from 2005032:stime;
    // the values carry the member's tag, the step and the cell.
    ModelFile member(const std::string& lname, int stime, int tag) const {
        ModelFile f;
        f.lname = lname;
        f.path = dir / (lname + ".nc");
        f.ncols = 6;
        f.nrows = 4;
        f.xorig = -900000.0;
        f.yorig = -720000.0;
        f.xcell = f.ycell = 12000.0;
        f.stime = stime;
        f.nsteps = 6;
        f.vars = {{"O3", "ppbV", "ozone"}, {"NO2", "ppbV", "nitrogen dioxide"}};
        f.value = [tag](int v, int s, int c, int r) { return tag * 10000 + v * 1000 + s * 100 + r * 10 + c; };
        return f;
    }

    // Runs pondra on the one input `entry`; LATE, EARLY and NOON name the
    // members and MOSAIC the list of them.
    RunResult run(const std::string& entry) const {
        Env env = {{"MOSAIC", "list:LATE, EARLY,NOON"}};
        for (const char* n : {"LATE", "EARLY", "NOON", "EMISQA", "AIRQUAL"})
            env.emplace_back(n, (dir / (std::string(n) + ".nc")).string());
        fs::remove(dir / "EMISQA.nc");
        fs::remove(dir / "AIRQUAL.nc");
        fs::remove(dir / "pondra.log");
        return run_pondra(dir, DIALOGUE_HEAD + entry + "\n", env);
    }

    std::vector<float> output(const char* file, const char* var) const {
        const NcFile nc(dir / (std::string(file) + ".nc"));
        return nc.status == 0 ? nc.floats(var) : std::vector<float>{};
    }

    const Sandbox box{"list"};
    const fs::path dir = box.dir();
};

TEST_F(ListInput, FirstStepIsTheEarliestMemberStart) {
    ASSERT_TRUE(write_model_file(member("LATE", 60000, 1)));
    ASSERT_TRUE(write_model_file(member("EARLY", 0, 2)));
    ASSERT_TRUE(write_model_file(member("NOON", 120000, 3)));

    const auto listed = run("MOSAIC");
    ASSERT_EQ(listed.status, 0) << listed.out << listed.log;
    // The list spans 18 hourly records from the earliest start, 2005032:000000.
    EXPECT_NE(listed.out.find(" max records          18     2005032           0\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find(" Reading file at     2005032           0\n"), std::string::npos);
    EXPECT_NE(listed.log.find("     LIST-FILE SEQUENCE opened as READONLY"), std::string::npos);
    const std::vector<float> o3 = output("EMISQA", "O3");
    const std::vector<float> no2 = output("AIRQUAL", "NO2");
    ASSERT_EQ(o3.size(), 24u);
    ASSERT_EQ(no2.size(), 24u);

    // The same as reading the earliest member on its own, and not the first.
    const auto early = run("EARLY");
    ASSERT_EQ(early.status, 0) << early.out;
    EXPECT_EQ(o3, output("EMISQA", "O3"));
    EXPECT_EQ(no2, output("AIRQUAL", "NO2"));
    EXPECT_EQ(o3[0], 20000.0f);   // EARLY, step 0, first cell
    EXPECT_EQ(no2[0], 21000.0f);
    const auto late = run("LATE");
    ASSERT_EQ(late.status, 0) << late.out;
    EXPECT_NE(o3, output("EMISQA", "O3"));
}

// A list that cannot be opened ends the run with the tool's message A.
TEST_F(ListInput, MemberWithAnotherStepEndsTheRun) {
    ASSERT_TRUE(write_model_file(member("LATE", 60000, 1)));
    ModelFile daily = member("EARLY", 0, 2);
    daily.tstep = 240000;
    ASSERT_TRUE(write_model_file(daily));
    ASSERT_TRUE(write_model_file(member("NOON", 120000, 3)));
    const auto r = run("MOSAIC");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.log.find("     Bad TSTEP for EARLY            in file list MOSAIC\n"), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("     Could not open file \"MOSAIC\" for input\n"), std::string::npos) << r.log;
}

}  // namespace
}  // namespace pondra
