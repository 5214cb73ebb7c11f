// Messages, warnings and the orderly exit, as they appear in the log.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "tests/kit/kit.hpp"
#include "support/units.hpp"

using namespace orvex;
using namespace kit;

namespace {

const std::string kDt2020001 = "12:00:00  Jan. 1, 2020  ";
// The same text at the end of a log line, which loses its trailing blanks.
const std::string kDt2020001End = "12:00:00  Jan. 1, 2020";

}  // namespace

TEST(Messages, LogLines) {
    Sandbox box;
    const std::string m300(300, 'x');
    struct Case {
        std::string message;
        std::string expected;
    } cases[] = {
        {"", "     \n"},
        {"        ", "     \n"},
        {"hello   ", "     hello\n"},
        {"  lead", "       lead\n"},
        {m300 + "   ", "     " + m300 + "\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(box.run({}, [&] { QVMSG2(c.message); }).out, c.expected) << c.message;
        EXPECT_EQ(box.run({}, [&] { QVMESG(c.message); }).out, c.expected) << c.message;
        EXPECT_EQ(box.run({}, [&] { qvmesgc(c.message.c_str()); }).out, c.expected) << c.message;
    }
}

TEST(Messages, FirstMessageOpensLogWithoutStartupBlock) {
    Sandbox box;
    const Outcome r = box.run({{"LOGFILE", box.path("run.log")}}, [] {
        QVMESG("first");
        std::printf("logdev=%d finit=%d\n", detail::LAYER_STATE.logdev, detail::LAYER_STATE.finit ? 1 : 0);
    });
    EXPECT_EQ(r.out, "logdev=99 finit=0\n");
    EXPECT_EQ(read_file(box.path("run.log")), "     first\n");
}

TEST(Messages, Paragraphs) {
    Sandbox box;
    const std::vector<std::string> msgs = {"one  ", "", "three"};
    EXPECT_EQ(box.run({}, [&] { QVPARAG(3, msgs); }).out, "     one\n     \n     three\n");
    EXPECT_EQ(box.run({}, [&] { QVPARAG(2, msgs); }).out, "     one\n     \n");
    EXPECT_EQ(box.run({}, [&] { QVPARAG(0, msgs); }).out, "");
    EXPECT_EQ(box.run({}, [&] { QVPARAG(-4, msgs); }).out, "");
}

TEST(Messages, WarningBlocks) {
    Sandbox box;
    const std::string long_text(300, 'w');
    struct Case {
        std::function<void()> call;
        std::string expected;
    } cases[] = {
        {[] { QVWARN("OPEN3", 0, 0, "Could not open file"); },
         "     \n     >>--->> WARNING in subroutine OPEN3\n     Could not open file\n     \n"},
        {[] { QVWARN("READ3", 2020001, 120000, "Time step not available"); },
         "     \n     >>--->> WARNING in subroutine READ3\n     Time step not available\n"
         "     QVWARN:  DTBUF " + kDt2020001End + "\n     \n"},
        {[] { QVWARN("X", 0, 120000, "t"); },
         "     \n     >>--->> WARNING in subroutine X\n     t\n     QVWARN:  DTBUF " + std::string(trim_right(DT2STR(0, 120000))) +
             "\n     \n"},
        {[] { QVWARN("X", -5, 0, "t"); }, "     \n     >>--->> WARNING in subroutine X\n     t\n     \n"},
        {[&] { QVWARN("LONG", 0, 0, long_text); },
         "     \n     >>--->> WARNING in subroutine LONG\n     " + long_text.substr(0, 256) + "\n     \n"},
        {[] { QVERR("CK", 0, 0, "not fatal", false); },
         "     \n     >>--->> WARNING in subroutine CK\n     not fatal\n     \n"},
        {[] { qverrc("ckc", 2020001, 120000, "c entry", 0); },
         "     \n     >>--->> WARNING in subroutine ckc\n     c entry\n     QVWARN:  DTBUF " + kDt2020001End +
             "\n     \n"},
        {[] { qvwarnc("wc", 0, 0, "warned"); }, "     \n     >>--->> WARNING in subroutine wc\n     warned\n     \n"},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({}, c.call);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
    }
}

TEST(Messages, WarningHeadingCutAt256) {
    Sandbox box;
    const std::string caller(300, 'C');
    const std::string heading = ">>--->> WARNING in subroutine " + caller;
    const Outcome r = box.run({}, [&] { QVWARN(caller, 0, 0, "m"); });
    EXPECT_EQ(r.out, "     \n     " + heading.substr(0, 256) + "\n     m\n     \n");
}

TEST(Messages, ExitBlocks) {
    Sandbox box;
    const std::string long_text(300, 'q');
    struct Case {
        std::function<void()> call;
        int status;
        std::string expected;
    } cases[] = {
        {[] { QVEXIT("PONDRA", 0, 0, "Done", 0); }, 0,
         "     \n     --->> Normal Completion of program PONDRA\n     Done\n     \n"},
        {[] { QVEXIT("PONDRA", 0, 0, "Bad input", 2); }, 2,
         "     \n     *** ERROR ABORT in subroutine PONDRA\n     Bad input\n     \n"},
        {[] { QVEXIT("P", 0, 0, "odd status", 7); }, 7,
         "     \n     *** ERROR ABORT in subroutine P\n     odd status\n     \n"},
        {[] { QVEXIT("P", 2020001, 120000, "dated", 0); }, 0,
         "     \n     --->> Normal Completion of program P\n     dated\n     Date and time  " + kDt2020001 +
             "  (2020001:120000)\n     \n"},
        {[] { QVEXIT("P", 2020001, 0, "midnight", 2); }, 2,
         "     \n     *** ERROR ABORT in subroutine P\n     midnight\n     Date and time  " + DT2STR(2020001, 0) +
             "  (2020001:000000)\n     \n"},
        {[] { QVEXIT("P", 0, 120000, "time only", 0); }, 0,
         "     \n     --->> Normal Completion of program P\n     time only\n     Date and time  " +
             DT2STR(0, 120000) + "  (      0:120000)\n     \n"},
        {[] { QVEXIT("P", 12345678, 10000, "wide date", 0); }, 0,
         "     \n     --->> Normal Completion of program P\n     wide date\n     Date and time  " +
             DT2STR(12345678, 10000) + "  (*******:010000)\n     \n"},
        {[] { QVEXIT("P", 2020001, 1000000, "wide time", 0); }, 0,
         "     \n     --->> Normal Completion of program P\n     wide time\n     Date and time  " +
             DT2STR(2020001, 1000000) + "  (2020001:******)\n     \n"},
        {[] { QVEXIT("P", 2020001, -1, "negative time", 0); }, 0,
         "     \n     --->> Normal Completion of program P\n     negative time\n     Date and time  " +
             DT2STR(2020001, -1) + "  (2020001:******)\n     \n"},
        {[&] { QVEXIT("P", 0, 0, long_text, 2); }, 2,
         "     \n     *** ERROR ABORT in subroutine P\n     " + long_text.substr(0, 256) + "\n     \n"},
        {[] { QVERR("CK", 0, 0, "fatal", true); }, 2, "     \n     *** ERROR ABORT in subroutine CK\n     fatal\n     \n"},
        {[] { qverrc("ckc", 0, 0, "fatal c", 1); }, 2,
         "     \n     *** ERROR ABORT in subroutine ckc\n     fatal c\n     \n"},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({}, c.call);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.expected);
    }
}

TEST(Messages, ExitAfterFailedShutdownKeepsStatus) {
    Sandbox box;
    const Outcome r = box.run({}, [] {
        using namespace detail;
        INIT3();
        std::printf("--\n");
        // A slot whose dataset handle is not an open netCDF dataset cannot be closed.
        FileSlot& s = slot(1);
        s.flist = "BROKEN";
        s.cdfid = 987654;
        s.kind = &netcdf_kind();
        STATE3.count = 1;
        QVEXIT("PONDRA", 0, 0, "end", 0);
    });
    EXPECT_EQ(r.status, 0);
    const std::string tail = r.out.substr(r.out.find("--\n") + 3);
    const std::string block = "     \n     Could not shut down ORVEX files correctly\n"
                              "     --->> Normal Completion of program PONDRA\n     end\n     \n";
    ASSERT_GE(tail.size(), block.size());
    EXPECT_EQ(tail.substr(tail.size() - block.size()), block);
    EXPECT_NE(tail.find("BROKEN"), std::string::npos);
}

TEST(Messages, ExitClosesTextUnits) {
    Sandbox box;
    const std::string log = box.path("exit.log");
    const Outcome r = box.run({{"LOGFILE", log}}, [&] {
        using namespace detail;
        // Unit 50 is on a device that refuses the buffered data when it is closed.
        open_unit(50, "/dev/full", "w");
        std::fputs("pending", unit_stream(50));
        open_unit(60, box.path("other.txt"), "w");
        QVEXIT("P", 0, 0, "bye", 2);
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(log),
              "     \n     *** ERROR ABORT in subroutine P\n     bye\n     \n"
              "     Error closing unit    50 status =        28\n");
}

TEST(Messages, ExitWritesWholeBlockBeforeAnythingElse) {
    Sandbox box;
    const std::string log = box.path("first.log");
    const Outcome r = box.run({{"LOGFILE", log}}, [] { QVEXIT("EARLY", 0, 0, "nothing done", 2); });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(log), "     \n     *** ERROR ABORT in subroutine EARLY\n     nothing done\n     \n");
}

TEST(Messages, NetcdfFailureReport) {
    Sandbox box;
    const std::string nctext = std::string(nc_strerror(NC_ENOTVAR)).substr(0, 80);
    const Outcome r = box.run({}, [] {
        QVABORT("INFILE          ", 3, NC_ENOTVAR, "Error inquiring variable");
        std::printf("returned\n");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "     Error inquiring variable\n     netCDF error number  -49  processing file \"INFILE\"\n     " +
                         nctext + "\nreturned\n");
}

TEST(Messages, Prompt) {
    Sandbox box;
    struct Case {
        std::string input;
        std::size_t width;
        int istat;
        std::string answer;
    } cases[] = {
        {"yes\n", 6, 0, "yes   "},
        {"a much longer answer\n", 6, 0, "a much"},
        {"no newline", 12, 0, "no newline  "},
        {"\n", 4, 0, "    "},
        {"stop!\n", 8, 0, "        "},
        {"abcdefgh!\n", 4, 0, "abcd"},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({}, [&] {
            std::string answer(c.width, '#');
            int istat = 99;
            QVPROMPT("Enter value   ", answer, istat);
            std::printf("|%d|%s|\n", istat, answer.c_str());
        }, c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "     Enter value|" + std::to_string(c.istat) + "|" + c.answer + "|\n") << c.input;
    }
}

TEST(Messages, PromptAtEndOfInputEndsRun) {
    Sandbox box;
    const Outcome r = box.run({}, [] {
        std::string answer(8, ' ');
        int istat = 0;
        QVPROMPT("Name?", answer, istat);
        std::printf("not reached\n");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "     Name?     \n     *** ERROR ABORT in subroutine QVPROMPT\n     END-OF-FILE encountered\n     \n");
}

// A read that fails returns to the caller with a positive status and the
// answer as far as it was read; it never ends the run as end of input does.
TEST(Messages, PromptReadFailureReturns) {
    Sandbox box;
    const auto prompt_once = [](std::size_t width) {
        std::string answer(width, '#');
        int istat = -99;
        QVPROMPT("Name?", answer, istat);
        std::printf("|%s|%s|\n", istat > 0 ? "failed" : std::to_string(istat).c_str(), answer.c_str());
    };
    struct Case {
        const char* what;
        std::function<void()> break_input;
        std::size_t width;
        std::string answer;
    } cases[] = {
        {"directory",
         [&] {
             const int fd = open(box.dir().c_str(), O_RDONLY | O_DIRECTORY);
             dup2(fd, 0);
             close(fd);
         },
         6, "      "},
        {"closed", [] { close(0); }, 6, "      "},
        // Part of a line, then a failure: what was read stays, a "!" in it too.
        {"partial",
         [] {
             static bool served = false;
             cookie_io_functions_t io{};
             io.read = [](void*, char* buf, std::size_t size) -> ssize_t {
                 if (served || size < 6) {
                     errno = EIO;
                     return -1;
                 }
                 served = true;
                 std::memcpy(buf, "ab!cde", 6);
                 return 6;
             };
             stdin = fopencookie(nullptr, "r", io);
         },
         4, "ab!c"},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({}, [&] {
            c.break_input();
            prompt_once(c.width);
            std::printf("returned\n");
        }, "unread\n");
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.out, "     Name?|failed|" + c.answer + "|\nreturned\n") << c.what;
    }
}

TEST(Messages, FlushUnit) {
    Sandbox box;
    const std::string path = box.path("unit.txt");
    const Outcome r = box.run({}, [&] {
        using namespace detail;
        open_unit(40, path, "w");
        std::fputs("buffered\n", unit_stream(40));
        QVFLUSH(40);
        // The data must be on disk before the unit is closed.
        std::printf("%s", read_file(path).c_str());
        QVFLUSH(41);  // a unit that is not open: nothing to do
    });
    EXPECT_EQ(r.out, "buffered\n");
}
