// Initialisation of the layer, the log file and the text units.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "tests/kit/kit.hpp"
#include "support/notice.hpp"
#include "support/units.hpp"

using namespace orvex;
using namespace kit;

namespace {

// The start-up block as log lines; with_mxvars false gives the standard-output echo.
std::string startup_block(bool with_mxvars) {
    std::string text;
    for (std::string_view line : detail::NOTICE) text += "     " + std::string(line) + "\n";
    text += "     $Id: @(#) orvex library version 3.1 $\n";
    if (with_mxvars) text += "     Version with PARMS3.EXT/PARAMETER::MXVARS3= 2048\n";
    text += "     netCDF version " + std::string(nc_inq_libvers()) + "\n";
    text += "     \n";
    return text;
}

}  // namespace

TEST(Notice, Shape) {
    EXPECT_EQ(detail::NOTICE.size(), 17u);
    int empty = 0;
    for (std::string_view line : detail::NOTICE) {
        EXPECT_LE(line.size(), 64u) << line;
        if (line.empty()) ++empty;
    }
    EXPECT_GT(empty, 0);
    EXPECT_NE(detail::NOTICE.back().find("orvex-3.1"), std::string_view::npos);
}

TEST(Junit, HighestFreeUnitFirst) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        using namespace detail;
        std::printf("%d", JUNIT());
        open_unit(99, box.path("a"), "w");
        std::printf(" %d", JUNIT());
        open_unit(98, box.path("b"), "w");
        std::printf(" %d", JUNIT());
        close_unit(99);
        std::printf(" %d\n", JUNIT());
    });
    EXPECT_EQ(r.out, "99 98 97 99\n");
}

TEST(Junit, AllUnitsInUseEndsRun) {
    Sandbox box;
    const Outcome r = box.run({}, [] {
        for (int unit = detail::FIRST_UNIT; unit <= detail::LAST_UNIT; ++unit) detail::open_unit(unit, "/dev/null", "w");
        JUNIT();
        std::printf("not reached\n");
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "\n\n\n *** ERROR ABORT IN ROUTINE JUNIT ***\n     NO MORE UNIT NUMBERS AVAILABLE FOR I/O\n"
                     "     First POSIX-approved unit:  10\n     Last  POSIX-approved unit:  99\n\n\n");
}

TEST(Initlog3, Destinations) {
    Sandbox box;
    struct Case {
        std::optional<std::string> logfile;
        std::string expected;  // logdev, logstd
    } cases[] = {
        {std::nullopt, "6 1"},
        {"LOGFILE", "6 1"},
        {"LOGFILE    ", "6 1"},
        {box.path("new.log"), "99 0"},
        {"/dev/null", "99 0"},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({{"LOGFILE", c.logfile}}, [] {
            const int unit = INITLOG3("TEST");
            std::printf("%d %d|%d\n", unit, detail::LAYER_STATE.logstd ? 1 : 0, INITLOG3("AGAIN"));
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected + "|" + c.expected.substr(0, c.expected.find(' ')) + "\n");
    }
}

TEST(Initlog3, ExistingLogFileRefused) {
    Sandbox box;
    const std::string log = box.path("old.log");
    write_file(log, "keep me\n");
    const Outcome r = box.run({{"LOGFILE", log}}, [] {
        QVMESG("never written");
        std::printf("not reached\n");
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "\n     ***  ERROR in QVMSG2/QVMESG/INITLOG3  ***\n"
                     "     Error opening log file on unit        99\n"
                     "     I/O STATUS =        17\n"
                     "     File: " + log + "\n\n");
    EXPECT_EQ(read_file(log), "keep me\n");
}

TEST(Initlog3, MissingDirectoryRefusedWithCallerTag) {
    Sandbox box;
    const std::string log = box.path("no/such/dir.log");
    const Outcome r = box.run({{"LOGFILE", log}}, [] { INIT3(); });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "\n     ***  ERROR in INIT3/INITLOG3  ***\n"
                     "     Error opening log file on unit        99\n"
                     "     I/O STATUS =         2\n"
                     "     File: " + log + "\n\n");
}

TEST(Init3, StartupBlockOnStandardOutput) {
    Sandbox box;
    const Outcome r = box.run({{"EXECUTION_ID", "run 42  "}}, [] {
        const int unit = INIT3();
        INIT3();  // initialised: writes nothing
        std::printf("unit=%d finit=%d count=%d\n", unit, detail::LAYER_STATE.finit ? 1 : 0, detail::STATE3.count);
    });
    EXPECT_EQ(r.out, startup_block(true) + "     \n     EXECUTION_ID: run 42\nunit=6 finit=1 count=0\n");
}

TEST(Init3, StartupBlockEchoedWhenLogIsFile) {
    Sandbox box;
    const std::string log = box.path("init.log");
    const Outcome r = box.run({{"LOGFILE", log}}, [] {
        INIT3();
        char version[81] = {};
        std::memcpy(version, detail::LAYER_STATE.version.data(), 80);
        std::printf("[%s]\n[%s]\n", version, std::string(detail::LAYER_STATE.execid.view()).c_str());
    });
    EXPECT_EQ(r.out, startup_block(false) + "[$Id: @(#) orvex library version 3.1 $" + std::string(43, ' ') + "]\n[" +
                         std::string(CMISS3) + std::string(64, ' ') + "]\n");
    EXPECT_EQ(read_file(log), startup_block(true) + "     \n     Missing environment variable EXECUTION_ID\n");
}

TEST(Init3, NullLogStillEchoes) {
    Sandbox box;
    const Outcome r = box.run({{"LOGFILE", "/dev/null"}, {"EXECUTION_ID", ""}}, [] {
        INIT3();
        std::printf("logdev=%d\n", detail::LAYER_STATE.logdev);
    });
    EXPECT_EQ(r.out, startup_block(false) + "logdev=99\n");
}

TEST(Init3, EmptyExecutionId) {
    Sandbox box;
    const std::string log = box.path("e.log");
    box.run({{"LOGFILE", log}, {"EXECUTION_ID", ""}}, [] { INIT3(); });
    const std::vector<std::string> lines = lines_of(read_file(log));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "     EXECUTION_ID: ");
}

TEST(Init3, ResetsTableAndRecordsClock) {
    Sandbox box;
    const Outcome r = box.run({{"LOGFILE", "/dev/null"}}, [] {
        using namespace detail;
        slot(7).flist = "LEFTOVER";
        STATE3.nlist_used = 3;
        INIT3();
        int jdate = 0, jtime = 0;
        GETDTTIME(jdate, jtime);
        std::printf("|%d %d %d %d\n", slot(7).is_free() ? 1 : 0, STATE3.nlist_used,
                    LAYER_STATE.curdate == jdate ? 1 : 0, LAYER_STATE.curdate > 2000000 ? 1 : 0);
    });
    EXPECT_EQ(r.out.substr(r.out.find('|')), "|1 0 1 1\n");
}

TEST(Init3, AfterShutdownNote) {
    Sandbox box;
    const std::string log = box.path("again.log");
    const Outcome r = box.run({{"LOGFILE", log}, {"EXECUTION_ID", "x"}}, [] {
        INIT3();
        SHUT3();
        std::printf("count=%d finit=%d\n", detail::STATE3.count, detail::LAYER_STATE.finit ? 1 : 0);
        INIT3();
        std::printf("count=%d finit=%d\n", detail::STATE3.count, detail::LAYER_STATE.finit ? 1 : 0);
    });
    EXPECT_EQ(r.out, startup_block(false) + "count=-9999 finit=0\n" + startup_block(false) + "count=0 finit=1\n");
    const std::string once = startup_block(true) + "     \n     EXECUTION_ID: x\n";
    EXPECT_EQ(read_file(log), once + once + "\n     INIT3() called subsequent to SHUT3()\n\n");
}

TEST(Init3, ScenarioKeepsFirstSixtyLines) {
    Sandbox box;
    std::string text;
    for (int i = 1; i <= 75; ++i) text += "scenario line " + std::to_string(i) + "\n";
    text += std::string(100, 'L') + "\n";
    write_file(box.path("scen.txt"), text);
    const Outcome r = box.run({{"SCENFILE", box.path("scen.txt")}, {"LOGFILE", "/dev/null"}}, [] {
        const auto& s = detail::LAYER_STATE.scenario;
        std::printf("|%.80s|%.80s|%d\n", s.data(), s.data() + 59 * 80, s[s.size() - 1] == ' ' ? 1 : 0);
        INIT3();
        std::printf("|%.80s|%.80s|%d\n", s.data(), s.data() + 59 * 80, s[s.size() - 1] == ' ' ? 1 : 0);
    });
    EXPECT_EQ(r.out, "|||0\n" + startup_block(false) + "|scenario line 1" + std::string(65, ' ') + "|scenario line 60" + std::string(64, ' ') + "|1\n");
}

TEST(Init3, ScenarioLinesCutAndShortFileLeavesZeros) {
    Sandbox box;
    // No SCENFILE variable: the file called SCENFILE in the working directory is read.
    write_file(box.path("SCENFILE"), std::string(100, 'L') + "\nlast without end of line");
    const Outcome r = box.run({{"LOGFILE", "/dev/null"}}, [] {
        INIT3();
        const auto& s = detail::LAYER_STATE.scenario;
        std::printf("|%.80s|%.80s|%d\n", s.data(), s.data() + 80, s[160] == '\0' ? 1 : 0);
    });
    const std::string out = r.out.substr(r.out.find('|'));
    EXPECT_EQ(out, "|" + std::string(80, 'L') + "|last without end of line" + std::string(56, ' ') + "|1\n");
}

TEST(Init3, ScenarioReadFailureWarns) {
    Sandbox box;
    const std::string dir = box.path("scen.d");
    std::filesystem::create_directory(dir);
    const std::string log = box.path("s.log");
    const Outcome r = box.run({{"SCENFILE", dir}, {"LOGFILE", log}, {"EXECUTION_ID", "x"}}, [] {
        INIT3();
        std::printf("next unit %d\n", JUNIT());
    });
    std::string field = dir;
    field.resize(512, ' ');
    EXPECT_EQ(read_file(log), startup_block(true) +
                                  "     \n\n\n     >>> WARNING in subroutine INIT3 <<<\n"
                                  "     Error reading scenario file.  Error number 21\n"
                                  "     File: " + field + "\n\n\n     EXECUTION_ID: x\n");
    EXPECT_EQ(r.out.substr(r.out.find("next")), "next unit 98\n");
}
