// The run that the fault-injection tests disturb: one model file of 10 x 8
// cells with two variables, matched onto an output grid of 100 x 80 cells,
// so that the data of each output file (64 000 bytes) outweighs its header.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "orvex/orvex.hpp"
#include "tests/tool/fault_run.hpp"
#include "tests/tool/model_files.hpp"
#include "tests/tool/run_pondra.hpp"

namespace pondra::testing {

class FaultRun : public ::testing::Test {
public:
    static constexpr int JDATE = 2005001;  // the output time step
    static constexpr int JTIME = 0;

protected:
    void SetUp() override {
        dir = scratch_dir("fault");
        ModelFile f;
        f.lname = "MODEL";
        f.path = dir / "model.nc";
        f.ncols = 10;
        f.nrows = 8;
        f.xorig = -120000.0;
        f.yorig = -96000.0;
        f.xcell = f.ycell = 120000.0 / 10;
        f.vars = {{"O3N", "ppm", "ozone"}, {"NO2N", "ppm", "nitrogen dioxide"}};
        f.value = [](int v, int, int c, int r) { return (v + 1) * 1000 + (r + 1) * 10 + (c + 1); };
        ASSERT_TRUE(write_model_file(f));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // The output grid of the dialogue: 100 x 80 cells of 3 km.
    static constexpr const char* GRID = "100 80 -150 -120 3";

    // The dialogue with the given input entries and output grid.
    static std::string dialogue(const std::vector<std::string>& entries = {"MODEL"}, const std::string& grid = GRID) {
        std::string d = "33 45 -97 -97 " + grid + "\n2005\nEMISQA\nAIRQUAL\n" + std::to_string(entries.size()) + "\n";
        for (const std::string& e : entries) d += e + "\n";
        return d;
    }

    // The environment: the model file, and the two outputs at the given paths.
    std::vector<std::pair<std::string, std::string>> env(const std::string& qa, const std::string& aq) const {
        return {{"MODEL", (dir / "model.nc").string()}, {"EMISQA", qa}, {"AIRQUAL", aq}};
    }

    // An undisturbed run in its own directory: the outputs every disturbed run
    // is compared with.
    std::pair<std::filesystem::path, std::filesystem::path> reference(const std::string& grid = GRID) const {
        const std::filesystem::path ref = dir / "reference";
        std::filesystem::create_directories(ref);
        const auto r =
            run_pondra(ref, dialogue({"MODEL"}, grid), env((ref / "qa.nc").string(), (ref / "aq.nc").string()));
        EXPECT_EQ(r.status, 0) << r.log;
        return {ref / "qa.nc", ref / "aq.nc"};
    }

    // The closing block of a fatal end: the line of a failed shut-down (a file
    // that could not be closed), caller, message and, for a date (at time 0),
    // its line.
    static std::string abort_block(const std::string& caller, const std::string& message, int jdate = 0,
                                   bool shut_failed = false) {
        std::string b = "     \n";
        if (shut_failed) b += "     Could not shut down ORVEX files correctly\n";
        b += "     *** ERROR ABORT in subroutine " + caller + "\n     " + message + "\n";
        if (jdate > 0)
            b += "     Date and time  " + orvex::DT2STR(jdate, 0) + "  (" + std::to_string(jdate) + ":000000)\n";
        return b + "     \n";
    }

    // What a reader finds in an output file of this run.
    static Output state(const std::filesystem::path& p) { return output_state(p, JDATE, JTIME); }

    // An output that looks complete holds the reference's values.
    static void expect_complete(const std::filesystem::path& p, const std::filesystem::path& ref) {
        EXPECT_EQ(to_text(state(p)), std::string(to_text(Output::LooksComplete))) << p;
        EXPECT_TRUE(same_values(p, ref, {"O3N", "NO2N"})) << p;
    }

    std::filesystem::path dir;
};

// A native binary output as a reader finds it, read back through the layer of
// the test process: it looks complete when it opens and READ3 of every
// variable at the output date and time succeeds. `values` receives what was
// read, variable by variable.
inline Output binary_state(const std::filesystem::path& p, std::vector<std::vector<float>>* values = nullptr) {
    using namespace orvex;
    if (!std::filesystem::exists(p)) return Output::Missing;
    ::setenv("FAULTBIN", ("BIN:" + p.string()).c_str(), 1);
    if (!OPEN3("FAULTBIN", FSRDONLY3, "FAULTTST")) return Output::Unreadable;
    bool all = DESC3("FAULTBIN") && FDESC3.NVARS3D > 0;
    for (int v = 0; all && v < FDESC3.NVARS3D; ++v) {
        std::vector<float> grid(static_cast<std::size_t>(FDESC3.NCOLS3D) * static_cast<std::size_t>(FDESC3.NROWS3D));
        all = READ3("FAULTBIN", FDESC3.VNAME3D[static_cast<std::size_t>(v)].view(), ALLAYS3, FaultRun::JDATE,
                    FaultRun::JTIME, grid.data());
        if (values != nullptr) values->push_back(std::move(grid));
    }
    CLOSE3("FAULTBIN");
    return all ? Output::LooksComplete : Output::Incomplete;
}

}  // namespace pondra::testing
