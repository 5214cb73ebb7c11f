// Every refusal of READ3 and WRITE3, with the exact log lines it writes, and
// the once-per-run logging switch of WRITE3.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer_fixture.hpp"

using namespace orvex;
using namespace transfer_test;

namespace {

const std::string NAME17 = "ABCDEFGHIJKLMNOPQ";

class Refusals : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FileDef def;
        def.vars = {{"A", QVREAL}, {"B", QVREAL}, {"C", QVINT}, {"D", QVDBLE}};
        ASSERT_TRUE(create("FAILS", def));
    }
    static void TearDownTestSuite() { CLOSE3("FAILS"); }
    Words buf{200};
};

TEST_F(Refusals, VariableNameOfSeventeenCharacters) {
    LogMark r;
    EXPECT_FALSE(READ3("FAILS", NAME17, 1, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), (std::vector<std::string>{logged("Max vble name length 16; actual:        17"),
                                                   logged("File \"FAILS\" Variable \"" + NAME17 + "\"")} +
                          warning("READ3", "Invalid variable or file name arguments", 2020001, 0)));
    LogMark w;
    EXPECT_FALSE(WRITE3("FAILS", NAME17, 2020001, 0, buf.data()));
    EXPECT_EQ(w.lines(), warning("WRITE3", "File \"FAILS\" Variable \"" + NAME17 + "\"", 2020001, 0) +
                             std::vector<std::string>{logged("Max vble name length 16; actual:        17")} +
                             warning("WRITE3",
                                     "Invalid arguments: file=\"FAILS\" or variable=\"" + NAME17 + "\"", 2020001, 0));
}

TEST_F(Refusals, SixteenCharactersWithTrailingBlanksAreFine) {
    LogMark r;
    EXPECT_FALSE(READ3("FAILS", "A                      ", 1, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), warning("RDTFLAG", "Time step not yet written in file FAILS", 2020001, 0));
}

TEST_F(Refusals, LayerZero) {
    LogMark r;
    EXPECT_FALSE(READ3("FAILS", "A", 0, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), (std::vector<std::string>{logged("Requested layer:    0"),
                                                   logged("Layers in the file:  1 ...    2")} +
                          warning("READ3", "LAYER not available in file FAILS", 2020001, 0)));
    EXPECT_FALSE(READ3("FAILS", "ALL", 3, 2020001, 0, buf.data()));
}

TEST_F(Refusals, UnknownVariable) {
    LogMark r;
    EXPECT_FALSE(READ3("FAILS", "XX", 1, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), (std::vector<std::string>{
                              logged("File FAILS contains vbles"),
                              logged("\"A               \"    \"B               \"    \"C               \""),
                              logged("\"D               \"")} +
                          warning("READ3", "Requested variable \"XX\" not available", 2020001, 0)));
    LogMark w;
    EXPECT_FALSE(WRITE3("FAILS", "XX", 2020001, 0, buf.data()));
    EXPECT_EQ(w.lines(), warning("WRITE3", "Variable XX not in file:  FAILS", 2020001, 0));
}

TEST_F(Refusals, DateOffTheTimeAxis) {
    LogMark r;
    EXPECT_FALSE(READ3("FAILS", "A", 1, 2020001, 3000, buf.data()));
    EXPECT_EQ(r.lines(), (std::vector<std::string>{logged("Requested date & time:      2020001:003000"),
                                                   logged("File starting date & time:  2020001:000000"),
                                                   logged("File time step:           010000")} +
                          warning("RDTFLAG", "Time step error for file:  FAILS", 2020001, 3000)));
    LogMark w;
    EXPECT_FALSE(WRITE3("FAILS", "A", 2020001, 3000, buf.data()));
    EXPECT_EQ(w.lines(), (std::vector<std::string>{
                              logged("Requested date & time:  2020001:003000"),
                              logged("File starting date & time:  2020001:000000  time step:    010000")} +
                          warning("WRITE3", "Time step error writing file:  FAILS", 2020001, 3000)));
    LogMark before;
    EXPECT_FALSE(READ3("FAILS", "A", 1, 2019365, 230000, buf.data()));
    EXPECT_EQ(before.lines().size(), 8u);
}

TEST_F(Refusals, FileNotOpen) {
    LogMark r;
    EXPECT_FALSE(READ3("NOSUCH", "A", 1, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), std::vector<std::string>{logged("File \"NOSUCH\" Variable \"A\"")} +
                             warning("READ3", "Invalid variable or file name arguments", 2020001, 0));
    LogMark w;
    EXPECT_FALSE(WRITE3("NOSUCH  ", "A", 2020001, 0, buf.data()));
    EXPECT_EQ(w.lines(), warning("WRITE3", "Invalid file.  FNAME=\"NOSUCH", 2020001, 0));
}

TEST(WriteRefusals, ReadOnlyFile) {
    ASSERT_TRUE(create("RDONLY", FileDef{}));
    ASSERT_TRUE(CLOSE3("RDONLY"));
    ASSERT_TRUE(OPEN3("RDONLY", FSRDONLY3, "TRTEST"));
    Words buf(24);
    LogMark w;
    EXPECT_FALSE(WRITE3("RDONLY", "O3", 2020001, 0, buf.data()));
    EXPECT_EQ(w.lines(), std::vector<std::string>{logged("File:  RDONLY IS READ-ONLY.")} +
                             warning("WRITE3", "Invalid arguments: file=\"RDONLY\" or variable=\"O3\"", 2020001, 0));
    EXPECT_TRUE(CLOSE3("RDONLY"));
}

TEST(WriteRefusals, WriteByVariableOfTypesThatMoveWholeRecords) {
    struct Row {
        const char* lname;
        int ftype;
        const char* shown;
    };
    for (const Row& row : {Row{"BYVIDD", IDDATA3, "IDDATA3"}, Row{"BYVPROF", PROFIL3, "PROFIL3"},
                           Row{"BYVNEST", GRNEST3, "GRNEST3"}, Row{"BYVGATT", GRDATT3, "UNKNOWN"},
                           Row{"BYVFLY", PTRFLY3, "UNKNOWN"}}) {
        FileDef def;
        def.ftype = row.ftype;
        ASSERT_TRUE(create(row.lname, def)) << row.lname;
        Words buf(500);
        LogMark w;
        EXPECT_FALSE(WRITE3(row.lname, "O3", 2020001, 0, buf.data()));
        EXPECT_EQ(w.lines(), warning("WRITE3",
                                     std::string("File ") + row.lname + " of type " + row.shown +
                                         " WRITE BY VARIABLE not supported.",
                                     2020001, 0));
        EXPECT_TRUE(CLOSE3(row.lname));
    }
}

TEST(WriteRefusals, CellEventFilesHaveNoRecordLayout) {
    FileDef def;
    def.ftype = KFEVNT3;
    def.nthik = 2;
    ASSERT_TRUE(create("KFEV", def));
    Words buf(100);
    LogMark r;
    EXPECT_FALSE(READ3("KFEV", "O3", 1, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), warning("READ3", "File:  KFEV of unknown type:   -3", 2020001, 0));
    LogMark all;
    EXPECT_FALSE(WRITE3("KFEV", "ALL", 2020001, 0, buf.data()));
    EXPECT_EQ(all.lines(), warning("WRITE3", "File:  KFEV of unknown type:   -3", 2020001, 0));
    LogMark one;
    EXPECT_FALSE(WRITE3("KFEV", "O3", 2020001, 0, buf.data()));
    EXPECT_EQ(one.lines(), warning("WRITE3", "File KFEV of type UNKNOWN WRITE BY VARIABLE not supported.", 2020001, 0));
    EXPECT_TRUE(CLOSE3("KFEV"));
}

// ---- ORVEX_LOG_WRITE, read once per run: each case is a fresh process -------

TEST(SwitchChild, DISABLED_TwoWrites) {
    ASSERT_TRUE(create("SWITCH", FileDef{}));
    Words buf(24);
    WRITE3("SWITCH", "ALL", 2020001, 0, buf.data());
    WRITE3("SWITCH", "ALL", 2020001, 10000, buf.data());
    EXPECT_TRUE(CLOSE3("SWITCH"));
}

const std::string CHILD = "SwitchChild.DISABLED_TwoWrites";
const std::string FIRST = logged("Timestep written to SWITCH for date and time   2020001:000000");
const std::string SECOND = logged("Timestep written to SWITCH for date and time   2020001:010000");

long reports(const std::vector<std::string>& log) {
    return std::count_if(log.begin(), log.end(),
                         [](const std::string& l) { return l.rfind("     Value for ORVEX_LOG_WRITE", 0) == 0; });
}

TEST(LogWriteSwitch, UnsetLogsEveryWrite) {
    const auto [status, log] = run_child(CHILD, {{"ORVEX_LOG_WRITE", std::nullopt}});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(count_of(log, logged("Value for ORVEX_LOG_WRITE not defined;returning default:   TRUE")), 1);
    EXPECT_EQ(reports(log), 1);
    EXPECT_EQ(count_of(log, FIRST), 1);
    EXPECT_EQ(count_of(log, SECOND), 1);
}

TEST(LogWriteSwitch, OffLogsNoWrite) {
    const auto [status, log] = run_child(CHILD, {{"ORVEX_LOG_WRITE", "N"}});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reports(log), 1);
    EXPECT_EQ(count_of(log, FIRST), 0);
    EXPECT_EQ(count_of(log, SECOND), 0);
}

TEST(LogWriteSwitch, MalformedRefusesOnlyTheFirstWrite) {
    const auto [status, log] = run_child(CHILD, {{"ORVEX_LOG_WRITE", "1"}});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reports(log), 1);
    EXPECT_TRUE(contains(log, std::vector<std::string>{logged("Bad environment vble \"ORVEX_LOG_WRITE\"")} +
                                  warning("WRITE3", "Invalid arguments: file=\"SWITCH\" or variable=\"ALL\"",
                                          2020001, 0)));
    EXPECT_EQ(count_of(log, FIRST), 0);
    EXPECT_EQ(count_of(log, SECOND), 1);
}

}  // namespace
