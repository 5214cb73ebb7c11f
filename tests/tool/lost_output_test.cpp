// Runs of the built pondra whose standard output or log cannot be written: the
// outputs are still made, and the run ends with status 2 after one line on
// standard error naming what was lost.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/tool/fault_fixture.hpp"
#include "tool/lostoutput.hpp"

namespace pondra::testing {
namespace {

namespace fs = std::filesystem;

TEST(LostOutputLine, NamesWhatWasLost) {
    using orvex::detail::LostOutput;
    const auto record = [](bool out, int out_code, bool log, int log_code, std::string path) {
        LostOutput l;
        l.standard_output = {out, out_code};
        l.log_file = {log, log_code};
        l.log_path = std::move(path);
        return l;
    };
    struct Case {
        LostOutput layer;
        bool stdout_lost;
        std::string line;
    } cases[] = {
        {record(false, 0, false, 0, "/r/run.log"), false, ""},
        {record(true, ENOSPC, false, 0, ""), false, "pondra: could not write standard output (No space left on device)"},
        {record(false, 0, false, 0, ""), true, "pondra: could not write standard output"},
        {record(true, EIO, false, 0, ""), true, "pondra: could not write standard output (Input/output error)"},
        {record(false, 0, true, EFBIG, "/r/run.log"), false, "pondra: could not write the log file /r/run.log (File too large)"},
        {record(false, 0, true, 0, ""), false, "pondra: could not write the log file"},
        {record(true, ENOSPC, true, EFBIG, "/r/run.log"), false,
         "pondra: could not write standard output (No space left on device) or the log file /r/run.log (File too large)"},
    };
    for (const Case& c : cases) EXPECT_EQ(lost_output_line(c.layer, c.stdout_lost), c.line) << c.line;
}

class LostOutputRun : public FaultRun {
protected:
    // Runs pondra in dir with standard output sent to `out` (a path), the log
    // to `log` (unset when empty), under a time limit.
    RunResult run(const std::string& dialogue_text, const std::string& out, const std::string& log) const {
        std::error_code ec;
        if (!log.empty()) fs::remove(log, ec);
        Launch launch = fault_spec(dir, env((dir / "qa.nc").string(), (dir / "aq.nc").string()));
        launch.out = out;
        launch.env.push_back({"PONDRA_QUIET", "1"});  // standard error holds the end of the run alone
        launch.log = log.empty() ? std::nullopt : std::optional<std::string>(log);
        launch.time_limit = 60;
        return run_pondra(launch, dialogue_text);
    }
    std::string log_path() const { return (dir / "run.log").string(); }
};

const std::string FULL_STDOUT = "pondra: could not write standard output (No space left on device)\n";

// A run that would end with 0: both outputs complete, status 2, one line on
// standard error; with the log on a file, that log is the one of an
// undisturbed run.
TEST_F(LostOutputRun, SuccessfulRunOnFullStandardOutput) {
    const auto [ref_qa, ref_aq] = reference();
    const RunResult undisturbed = run(dialogue(), (dir / "stdout.txt").string(), log_path());
    ASSERT_EQ(undisturbed.status, 0) << undisturbed.err;
    EXPECT_EQ(undisturbed.err, "");
    for (const bool log_file : {false, true}) {
        SCOPED_TRACE(log_file ? "log on a file" : "log on standard output");
        fs::remove(dir / "qa.nc");
        fs::remove(dir / "aq.nc");
        const RunResult e = run(dialogue(), "/dev/full", log_file ? log_path() : "");
        EXPECT_EQ(e.status, 2);
        EXPECT_EQ(e.err, FULL_STDOUT);
        if (log_file) {
            EXPECT_EQ(e.log, undisturbed.log);
        }
        expect_complete(dir / "qa.nc", ref_qa);
        expect_complete(dir / "aq.nc", ref_aq);
    }
}

// A run that ends through QVEXIT (no input files): its closing block on a dead
// standard output does not keep it going, and the lost output is reported.
TEST_F(LostOutputRun, FatalRunOnFullStandardOutput) {
    const std::string no_files = "33 45 -97 -97 " + std::string(GRID) + "\n2005\nEMISQA\nAIRQUAL\n0\n";
    const std::string message = "No input files (NFILES 0): nothing to describe the output files";
    const RunResult undisturbed = run(no_files, (dir / "stdout.txt").string(), "");
    EXPECT_EQ(undisturbed.status, 2);
    EXPECT_EQ(undisturbed.err, "pondra: " + message + "; details on standard output\n");
    const std::string out = read_file(dir / "stdout.txt");
    const std::string block = abort_block("QUON", message);
    ASSERT_GE(out.size(), block.size());
    EXPECT_EQ(out.substr(out.size() - block.size()), block);

    // The failure and the lost output share the one line.
    const RunResult on_stdout = run(no_files, "/dev/full", "");
    EXPECT_EQ(on_stdout.status, 2);
    EXPECT_EQ(on_stdout.err, "pondra: " + message + "; details on standard output; and " +
                                 FULL_STDOUT.substr(std::string("pondra: ").size()));

    const RunResult on_file = run(no_files, "/dev/full", log_path());
    EXPECT_EQ(on_file.status, 2);
    EXPECT_EQ(on_file.err, "pondra: " + message + "; details in the log " + log_path() + "; and " +
                               FULL_STDOUT.substr(std::string("pondra: ").size()));
    EXPECT_EQ(on_file.log, abort_block("QUON", message));
}

// A malformed dialogue is reported on standard error already: that line alone.
TEST_F(LostOutputRun, DialogueRefusalKeepsItsOwnLine) {
    const RunResult e = run("33 45 -97\n", "/dev/full", "");
    EXPECT_EQ(e.status, 2);
    EXPECT_EQ(e.err.find('\n'), e.err.size() - 1) << e.err;
    EXPECT_EQ(e.err.rfind("pondra: dialogue line 1: ", 0), 0u) << e.err;
}

// The log on a disk that is full: the run's outputs are complete, standard
// output is whole, and the run ends with 2 naming the log file.
TEST_F(LostOutputRun, LogFileOnFullDisk) {
    const auto [ref_qa, ref_aq] = reference();
    const fs::path small = dir / "small";
    const std::string log = (small / "run.log").string();
    const int status = in_private_mounts([&] {
        if (!mount_small_disk(small, 64 * 1024)) return 77;
        {
            // Fill the disk, leaving room for no byte of the log.
            std::ofstream filler(small / "filler", std::ios::binary);
            const std::string block(4096, 'x');
            while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) filler.flush();
        }
        const RunResult e = run(dialogue(), (dir / "stdout.txt").string(), log);
        std::ofstream(dir / "ended.txt") << e.status << "\n" << e.err;
        return 0;
    });
    if (status == 77) GTEST_SKIP() << "no private mount namespace here";
    ASSERT_EQ(status, 0);
    EXPECT_EQ(read_file(dir / "ended.txt"),
              "2\npondra: could not write the log file " + log + " (No space left on device)\n");
    expect_complete(dir / "qa.nc", ref_qa);
    expect_complete(dir / "aq.nc", ref_aq);
    EXPECT_NE(read_file(dir / "stdout.txt").find(" # of input files to pondra:           1\n"), std::string::npos);
}

}  // namespace
}  // namespace pondra::testing
