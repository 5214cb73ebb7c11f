// pondra killed by a signal half-way. A killed run writes no closing block
// and has no exit status, but whatever moment the signal comes, an output
// file either does not look complete or holds every value of an undisturbed
// run: the layer writes a variable's time flag only after its data, every
// write of a created file reaches the file at once, and the flags of the
// variables not yet written hold netCDF's fill value.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/tool/fault_fixture.hpp"

namespace pondra::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The file-size limit met without SIGXFSZ ignored: the run dies of that
// signal while the first output's record is written.
TEST_F(FaultRun, KilledByFileSizeSignalInFirstOutput) {
    const auto [ref_qa, ref_aq] = reference();
    const rlim_t limit = static_cast<rlim_t>(fs::file_size(ref_qa)) - 40000;
    const RunResult r = run_pondra(
        fault_spec(dir, env((dir / "qa.nc").string(), (dir / "aq.nc").string()), limit, false), dialogue());
    EXPECT_EQ(r.signal, SIGXFSZ);
    EXPECT_EQ(r.log.find("ERROR ABORT"), std::string::npos);
    EXPECT_NE(state(dir / "qa.nc"), Output::LooksComplete);
    EXPECT_EQ(state(dir / "aq.nc"), Output::Missing);
}

// Signals at moments spread over a whole run on a large output grid (four
// variables of 3.2 MB are written): no moment leaves an output that looks
// complete but is not, with the second output in netCDF or in native binary
// form.
TEST_F(FaultRun, KilledAtAnyMomentLeavesNoFalseOutput) {
    const std::string grid = "1000 800 -150 -120 0.3";
    const auto start = Clock::now();
    const auto [ref_qa, ref_aq] = reference(grid);
    const auto whole = Clock::now() - start;
    ASSERT_TRUE(state(ref_qa) == Output::LooksComplete && state(ref_aq) == Output::LooksComplete);
    const std::vector<std::vector<float>> ref_values = {NcFile(ref_aq).floats("O3N"), NcFile(ref_aq).floats("NO2N")};

    const int signals[] = {SIGKILL, SIGTERM, SIGINT, SIGHUP};
    constexpr int RUNS = 32;
    std::map<std::string, int> seen;
    for (int k = 0; k < RUNS; ++k) {
        const int sig = signals[k % 4];
        const bool binary = k % 2 == 1;
        const auto delay = whole * (k / 2) / (RUNS / 2);
        SCOPED_TRACE("signal " + std::to_string(sig) + " after " +
                     std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(delay).count()) + " us" +
                     (binary ? ", native binary second output" : ""));
        const fs::path run = dir / ("run" + std::to_string(k));
        fs::create_directories(run);
        const fs::path qa = run / "qa.nc", aq = run / (binary ? "aq.bin" : "aq.nc");
        Pondra child(fault_spec(run, env(qa.string(), (binary ? "BIN:" : "") + aq.string())));
        ASSERT_TRUE(child.started());
        child.write_input(dialogue({"MODEL"}, grid));
        std::this_thread::sleep_for(delay);
        child.send(sig);
        const RunResult r = child.wait();
        EXPECT_TRUE(r.signal == sig || r.status == 0) << r.status << " " << r.signal;

        const Output q = state(qa);
        ++seen["qa " + std::string(to_text(q))];
        if (q == Output::LooksComplete) {
            EXPECT_TRUE(same_values(qa, ref_qa, {"O3N", "NO2N"})) << qa;
        }
        std::vector<std::vector<float>> values;
        const Output a = binary ? binary_state(aq, &values) : state(aq);
        ++seen[std::string(binary ? "aq.bin " : "aq.nc ") + to_text(a)];
        if (a == Output::LooksComplete) {
            if (binary) {
                EXPECT_EQ(values, ref_values) << aq;
            } else {
                EXPECT_TRUE(same_values(aq, ref_aq, {"O3N", "NO2N"})) << aq;
            }
        }
        fs::remove_all(run);
    }
    std::string summary;
    for (const auto& [what, n] : seen) summary += what + ": " + std::to_string(n) + "; ";
    RecordProperty("outputs_seen", summary);
}

}  // namespace
}  // namespace pondra::testing
