// Output files that cannot be written: a directory that does not exist, a
// regular file in place of a directory, a directory in place of the file, a
// read-only filesystem, a file-size limit and a full disk. Every run ends with
// the fatal message of the step that failed and status 2; a first output that
// was finished stays readable and complete; no output looks complete unless it
// is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/tool/fault_fixture.hpp"

namespace pondra::testing {
namespace {

namespace fs = std::filesystem;

const char* const NOT_CREATED = "Could not open file \"AIRQUAL\" for output";

// The second output cannot be created: the run ends with message E for it,
// the first output is complete.
TEST_F(FaultRun, UncreatableSecondOutput) {
    const auto [ref_qa, ref_aq] = reference();
    struct Case {
        const char* label;
        std::function<fs::path(const fs::path&)> place;  // the second output's path, after preparing it
        bool leaves_path;                                // the path exists after the run
    };
    const Case cases[] = {
        {"directory does not exist", [](const fs::path& d) { return d / "no-such-dir" / "aq.nc"; }, false},
        {"regular file used as a directory",
         [](const fs::path& d) {
             std::ofstream(d / "plain") << "not a directory";
             return d / "plain" / "aq.nc";
         },
         false},
        {"directory in place of the file",
         [](const fs::path& d) {
             fs::create_directories(d / "aq.nc" / "inside");
             return d / "aq.nc";
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const fs::path run = dir / "run";
        fs::remove_all(run);
        fs::create_directories(run);
        const fs::path aq = c.place(run);
        const RunResult r = run_pondra(fault_spec(run, env((run / "qa.nc").string(), aq.string())), dialogue());
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(last_lines(r.log, 4), abort_block("QUON", NOT_CREATED)) << r.log;
        expect_complete(run / "qa.nc", ref_qa);
        EXPECT_EQ(fs::exists(aq), c.leaves_path);
        if (c.leaves_path) {
            EXPECT_TRUE(fs::exists(aq / "inside"));
        }
    }
}

// A read-only filesystem under the second output (a directory bound onto
// itself read-only, in a mount namespace of the run's own).
TEST_F(FaultRun, SecondOutputOnReadOnlyFilesystem) {
    const auto [ref_qa, ref_aq] = reference();
    const fs::path ro = dir / "readonly";
    fs::create_directories(ro);
    std::ofstream(ro / "aq.nc") << "an older file";
    const int status = in_private_mounts([&] {
        if (!mount_read_only(ro)) return 77;
        return run_pondra(fault_spec(dir, env((dir / "qa.nc").string(), (ro / "aq.nc").string())), dialogue()).status;
    });
    if (status == 77) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(status, 2);
    const std::string log = read_file(dir / "pondra.log");
    EXPECT_EQ(last_lines(log, 4), abort_block("QUON", NOT_CREATED)) << log;
    expect_complete(dir / "qa.nc", ref_qa);
    // The removal of the older file failed on the read-only filesystem: it is untouched.
    EXPECT_EQ(read_file(ro / "aq.nc"), "an older file");
}

// A file-size limit reached while the first output's record is written: the
// run ends with message F for the first variable (the layer also reports that
// the broken file could not be closed cleanly); the first output does not look
// complete and the second is never made.
TEST_F(FaultRun, FileSizeLimitInFirstOutput) {
    const auto [ref_qa, ref_aq] = reference();
    const rlim_t limit = static_cast<rlim_t>(fs::file_size(ref_qa)) - 40000;
    const RunResult r = run_pondra(fault_spec(dir, env((dir / "qa.nc").string(), (dir / "aq.nc").string()), limit), dialogue());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(last_lines(r.log, 6), abort_block("MIRVAL:TOLBANE", "Could not write totals to O3N", JDATE, true))
        << r.log;
    EXPECT_NE(state(dir / "qa.nc"), Output::LooksComplete);
    EXPECT_EQ(state(dir / "aq.nc"), Output::Missing);
}

// A full disk under the second output (a small filesystem mounted for the
// run): the run ends with message F for the first variable; the first output
// is complete, the second does not look complete.
TEST_F(FaultRun, DiskFullInSecondOutput) {
    const auto [ref_qa, ref_aq] = reference();
    const fs::path small = dir / "small";
    const fs::path kept = dir / "kept-aq.nc";
    const int status = in_private_mounts([&] {
        // Room for the header and a part of the first variable's record.
        if (!mount_small_disk(small, 24 * 1024)) return 77;
        const RunResult r =
            run_pondra(fault_spec(dir, env((dir / "qa.nc").string(), (small / "aq.nc").string())), dialogue());
        std::error_code ec;
        fs::copy_file(small / "aq.nc", kept, ec);
        return r.status;
    });
    if (status == 77) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(status, 2);
    const std::string log = read_file(dir / "pondra.log");
    EXPECT_EQ(last_lines(log, 6), abort_block("MIRVAL:TOLBANE", "Could not write totals to O3N", JDATE, true)) << log;
    expect_complete(dir / "qa.nc", ref_qa);
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_NE(state(kept), Output::LooksComplete);
}

// The two outputs of one run differ in size only in different forms: with the
// second in the native binary form (a header of 19 884 bytes, twice netCDF's),
// a file-size limit between the sizes of the two lets the first be finished
// and stops the second in its record, after the first variable: that one's
// time flag is written, the second's is not.
TEST_F(FaultRun, FileSizeLimitInSecondOutputOfNativeBinaryForm) {
    const auto [ref_qa, ref_aq] = reference();
    const fs::path aq = dir / "aq.bin";
    const rlim_t limit = static_cast<rlim_t>(fs::file_size(ref_qa)) + 4000;
    const RunResult r = run_pondra(
        fault_spec(dir, env((dir / "qa.nc").string(), "BIN:" + aq.string()), limit), dialogue());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(last_lines(r.log, 5), abort_block("MIRVAL:TOLBANE", "Could not write totals to NO2N", JDATE)) << r.log;
    expect_complete(dir / "qa.nc", ref_qa);
    EXPECT_EQ(to_text(binary_state(aq)), std::string(to_text(Output::Incomplete)));
    // The same run without the limit leaves a binary output that reads back whole.
    const fs::path whole = dir / "whole";
    fs::create_directories(whole);
    const RunResult ok = run_pondra(
        fault_spec(whole, env((whole / "qa.nc").string(), "BIN:" + (whole / "aq.bin").string())), dialogue());
    EXPECT_EQ(ok.status, 0) << ok.log;
    EXPECT_EQ(to_text(binary_state(whole / "aq.bin")), std::string(to_text(Output::LooksComplete)));
}

}  // namespace
}  // namespace pondra::testing
