// Output that could not be written: a failed write or flush of the log or of
// standard output is remembered, with its failure code, and never ends the run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "orvex/operations.hpp"
#include "tests/kit/kit.hpp"
#include "support/logfile.hpp"

using namespace orvex;
using kit::Outcome;
using kit::Sandbox;

namespace {

// Points standard output at a device that refuses every byte.
void stdout_to_full_device() {
    const int fd = open("/dev/full", O_WRONLY);
    dup2(fd, 1);
    close(fd);
}

// Lets no file of the process grow beyond `bytes` (RLIM_INFINITY: lifts the
// limit again); a write beyond fails with EFBIG.
void limit_file_size(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit lim{};
    getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
}

// The record as one line: "out=<lost>/<code> log=<lost>/<code> path=<path>".
std::string record() {
    const detail::LostOutput& l = detail::lost_output();
    return "out=" + std::to_string(l.standard_output.lost) + "/" + std::to_string(l.standard_output.code) +
           " log=" + std::to_string(l.log_file.lost) + "/" + std::to_string(l.log_file.code) + " path=" + l.log_path;
}

// Writes the record to a file of the sandbox (standard output may be dead).
void report(const Sandbox& box, const std::string& extra = "") {
    if (std::FILE* f = std::fopen(box.path("record.txt").c_str(), "w")) {
        std::fputs((record() + extra).c_str(), f);
        std::fclose(f);
    }
}

std::string reported(const Sandbox& box) { return kit::read_file(box.path("record.txt")); }

const std::string ENOSPC_ = std::to_string(ENOSPC);
const std::string EFBIG_ = std::to_string(EFBIG);

}  // namespace

// The log on a standard output that takes nothing: each message and paragraph
// is lost, the caller goes on, and errno is what it was before.
TEST(LostOutput, LogOnDeadStandardOutput) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        stdout_to_full_device();
        errno = EDOM;
        QVMSG2("first message");
        const std::string lines[] = {"a", "b"};
        QVPARAG(2, lines);
        QVWARN("CALLER", 0, 0, "a warning");
        report(box, errno == EDOM ? " errno kept" : " errno changed");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(reported(box), "out=1/" + ENOSPC_ + " log=0/0 path= errno kept");
}

// A log file that cannot grow: its loss is remembered under its path, apart
// from standard output.
TEST(LostOutput, LogFileThatCannotGrow) {
    Sandbox box;
    const std::string log = box.path("run.log");
    const Outcome r = box.run({{"LOGFILE", log}}, [&] {
        limit_file_size(16);
        errno = EDOM;
        QVMSG2("a message longer than the sixteen bytes the file may hold");
        QVMSG2("and another one");
        const bool kept = errno == EDOM;
        limit_file_size(RLIM_INFINITY);
        report(box, kept ? " errno kept" : " errno changed");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(reported(box), "out=0/0 log=1/" + EFBIG_ + " path=" + log + " errno kept");
    // What fitted is there; nothing was written twice.
    EXPECT_EQ(kit::read_file(log), std::string("     a message longer than the sixteen bytes").substr(0, 16));
}

// With the log on a file, the start-up block's copy on a dead standard output
// is lost; the log itself is whole.
TEST(LostOutput, StartupCopyOnDeadStandardOutput) {
    Sandbox box;
    const std::string log = box.path("run.log");
    const Outcome r = box.run({{"LOGFILE", log}}, [&] {
        stdout_to_full_device();
        INIT3();
        report(box);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(reported(box), "out=1/" + ENOSPC_ + " log=0/0 path=" + log);
    EXPECT_NE(kit::read_file(log).find("     Version with PARMS3.EXT/PARAMETER::MXVARS3= 2048\n"),
              std::string::npos);
}

// QVFLUSH of standard output finds what was left in its buffer by others (the
// log is not opened for it).
TEST(LostOutput, FlushOfStandardOutput) {
    Sandbox box;
    const Outcome r = box.run({{"LOGFILE", box.path("run.log")}}, [&] {
        stdout_to_full_device();
        std::fputs("pending\n", stdout);
        QVFLUSH(6);
        report(box);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(reported(box), "out=1/" + ENOSPC_ + " log=0/0 path=");
}

// Nothing lost: nothing recorded.
TEST(LostOutput, NothingLost) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        QVMSG2("written");
        QVFLUSH(6);
        report(box);
    });
    EXPECT_EQ(r.out, "     written\n");
    EXPECT_EQ(reported(box), "out=0/0 log=0/0 path=");
}

// QVEXIT writing its closing block to a dead standard output ends the process
// with the status it was given (an alarm ends a child that would go round).
TEST(LostOutput, ExitOnDeadStandardOutputEnds) {
    Sandbox box;
    for (const int status : {0, 2}) {
        const Outcome r = box.run({}, [&] {
            alarm(20);
            stdout_to_full_device();
            QVMSG2("before");
            QVEXIT("DEAD", 2020001, 0, "closing block", status);
        });
        EXPECT_EQ(r.status, status);
    }
}
