// The run dialogue: parsing, echo lines and refusals.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/tool/pondra_fixture.hpp"
#include "tool/dialogue.hpp"

namespace pondra {
namespace {

// Reads a whole dialogue; returns the echo lines (without "max vars").
std::string read(const std::string& input, RunState& st) {
    std::istringstream in(input);
    std::ostringstream out;
    read_dialogue(in, out, st);
    return out.str();
}

// The line number and message of the refusal of a malformed dialogue.
std::string refusal(const std::string& input) {
    RunState st;
    try {
        read(input, st);
    } catch (const DialogueError& e) {
        return e.what();
    }
    return "accepted";
}

const std::string GRID_LINE = "33 45 -97 -97 100 80 -1000 -800 12\n";
const std::string REST = "2005\nEMISQA\nAIRQUAL\n0\n";

TEST(Dialogue, StartWritesMaxVarsAndSetsProgramName) {
    RunState st;
    std::ostringstream out;
    start_run(st, out);
    EXPECT_EQ(out.str(), " max vars        2048\n");
    EXPECT_EQ(st.PROGNAME.view(), "QUON            ");
}

TEST(Dialogue, GridLineWithBlanks) {
    RunState st;
    const std::string echo = read(GRID_LINE + REST, st);
    EXPECT_EQ(st.PROJ[0], 33.0f);
    EXPECT_EQ(st.PROJ[1], 45.0f);
    EXPECT_EQ(st.PROJ[2], -97.0f);
    EXPECT_EQ(st.PROJ[3], -97.0f);
    EXPECT_EQ(st.NCOLS, 100);
    EXPECT_EQ(st.NROWS, 80);
    EXPECT_EQ(st.XORIG, -1000000.0f);
    EXPECT_EQ(st.YORIG, -800000.0f);
    EXPECT_EQ(st.CELL, 12000.0f);
    EXPECT_EQ(st.YEAR, 2005);
    EXPECT_EQ(st.NFILES, 0);
    EXPECT_TRUE(st.ENAME.empty());
    EXPECT_EQ(echo, testing::ECHO_100X80_NO_FILES);
}

TEST(Dialogue, SeparatorsGiveTheSameValues) {
    const std::vector<std::string> lines = {
        "33,45,-97,-97,100,80,-1000,-800,12\n",
        "33, 45 ,-97 , -97,100 80\t-1000,-800,12\n",
        "  33. 45.0 -9.7E1 -97d0 +100 80 -1.0e3 -0.8D+3 12 ignored extra 1,,\n",
    };
    RunState ref;
    const std::string ref_echo = read(GRID_LINE + REST, ref);
    for (const std::string& line : lines) {
        RunState st;
        EXPECT_EQ(read(line + REST, st), ref_echo) << line;
    }
}

TEST(Dialogue, KilometresBecomeMetresInSinglePrecision) {
    RunState st;
    read("0 0 0 0 1 1 0.3 -1.7 0.1\n" + REST, st);
    EXPECT_EQ(st.XORIG, 0.3f * 1000.0f);
    EXPECT_EQ(st.YORIG, -1.7f * 1000.0f);
    EXPECT_EQ(st.CELL, 0.1f * 1000.0f);
}

TEST(Dialogue, SplitFree) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(split_free("1 2  3"), (V{"1", "2", "3"}));
    EXPECT_EQ(split_free(" 1,2 , 3 ,4"), (V{"1", "2", "3", "4"}));
    EXPECT_EQ(split_free("1,,2"), (V{"1", "", "2"}));
    EXPECT_EQ(split_free(",1"), (V{"", "1"}));
    EXPECT_EQ(split_free("1,"), (V{"1"}));
    EXPECT_EQ(split_free("   "), V{});
}

TEST(Dialogue, TextLinesAreCutOrPadded) {
    RunState st;
    const std::string echo = read(GRID_LINE + "2005\nABCDEFGHIJKLMNOPQRSTUV\n  lead\n2\n  OUTER\nNEST12\r\n", st);
    EXPECT_EQ(st.OUTFILE.view(), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(st.OUTFILEQD.view(), "  lead          ");
    ASSERT_EQ(st.ENAME.size(), 2u);
    EXPECT_EQ(st.ENAME[0].view(), "  OUTER" + std::string(173, ' '));
    EXPECT_EQ(st.ENAME[1].view(), "NEST12" + std::string(174, ' '));
    EXPECT_NE(echo.find(" Output emissions QA file:ABCDEFGHIJKLMNOP\n"), std::string::npos);
    EXPECT_NE(echo.find(" Output air quality file:  lead          \n"), std::string::npos);
    EXPECT_NE(echo.find(" FILE:  OUTER" + std::string(173, ' ') + "\n FILE:NEST12"), std::string::npos);
}

TEST(Dialogue, LongEntryKeepsFirst180Characters) {
    RunState st;
    const std::string entry(200, 'x');
    read(GRID_LINE + "2005\nA\nB\n1\n" + entry + "\n", st);
    ASSERT_EQ(st.ENAME.size(), 1u);
    EXPECT_EQ(st.ENAME[0].view(), std::string(180, 'x'));
}

TEST(Dialogue, NoEntryLinesReadForZeroOrNegativeCount) {
    for (const char* n : {"0", "-3"}) {
        RunState st;
        std::istringstream in(GRID_LINE + "2005\nA\nB\n" + n + "\nNOT_READ\n");
        std::ostringstream out;
        read_dialogue(in, out, st);
        EXPECT_TRUE(st.ENAME.empty());
        std::string rest;
        std::getline(in, rest);
        EXPECT_EQ(rest, "NOT_READ");
    }
}

TEST(Dialogue, Refusals) {
    EXPECT_EQ(refusal(""), "dialogue line 1: end of input; expected the projection and output grid line (9 values)");
    EXPECT_EQ(refusal("33 45 -97 -97 100 80 -1000 -800\n"),
              "dialogue line 1: 8 values found; expected 9 (PROJ 1, PROJ 2, PROJ 3, PROJ 4, NCOLS, NROWS, "
              "XORIG, YORIG, CELL)");
    EXPECT_EQ(refusal("33 45 -97 -97 100.0 80 -1000 -800 12\n"),
              "dialogue line 1: value 5 (NCOLS) \"100.0\" is not an integer");
    EXPECT_EQ(refusal("33 45 -97 -97 100 80 -1000 abc 12\n"),
              "dialogue line 1: value 8 (YORIG) \"abc\" is not a real number");
    EXPECT_EQ(refusal("33 45 -97 -97 100 80 -1000 1e99 12\n"),
              "dialogue line 1: value 8 (YORIG) \"1e99\" is out of range for a 32-bit real");
    EXPECT_EQ(refusal("33 45 -97 -97 9999999999 80 -1000 -800 12\n"),
              "dialogue line 1: value 5 (NCOLS) \"9999999999\" is out of range for a 32-bit integer");
    EXPECT_EQ(refusal("33 45,,-97 100 80 -1000 -800 12\n"), "dialogue line 1: value 3 (PROJ 3) is empty");
    EXPECT_EQ(refusal("33 45 -97 -97 100 80 -1000 -800 nan\n"),
              "dialogue line 1: value 9 (CELL) \"nan\" is not a real number");
    EXPECT_EQ(refusal(GRID_LINE), "dialogue line 2: end of input; expected the output year line (YEAR)");
    EXPECT_EQ(refusal(GRID_LINE + "\n"), "dialogue line 2: 0 values found; expected 1 (YEAR)");
    EXPECT_EQ(refusal(GRID_LINE + "+-5\n"), "dialogue line 2: value 1 (YEAR) \"+-5\" is not an integer");
    EXPECT_EQ(refusal(GRID_LINE + "2005\n"),
              "dialogue line 3: end of input; expected the output emissions QA file name (OUTFILE)");
    EXPECT_EQ(refusal(GRID_LINE + "2005\nA\n"),
              "dialogue line 4: end of input; expected the output air quality file name (OUTFILEQD)");
    EXPECT_EQ(refusal(GRID_LINE + "2005\nA\nB\n"),
              "dialogue line 5: end of input; expected the number of input files (NFILES)");
    EXPECT_EQ(refusal(GRID_LINE + "2005\nA\nB\n2 files\nONE\n"),
              "dialogue line 7: end of input; expected input file entry 2 of 2");
    EXPECT_EQ(refusal(GRID_LINE + "2005\nA\nB\n367\n"),
              "dialogue line 5: NFILES 367 exceeds the limit of 366 input files");
}

TEST(Dialogue, ErrorCarriesLineNumber) {
    RunState st;
    std::istringstream in(GRID_LINE + "x\n");
    std::ostringstream out;
    try {
        read_dialogue(in, out, st);
        FAIL() << "accepted";
    } catch (const DialogueError& e) {
        EXPECT_EQ(e.line(), 2);
    }
}

TEST(Dialogue, ResultArrayIsZeroedAndSizedByClampedExtents) {
    RunState st;
    st.NCOLS = 4;
    st.NROWS = 3;
    allocate_tots(st);
    ASSERT_EQ(st.TOTS.size(), 4u * 3u * 10u);
    for (float v : st.TOTS) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(st.layer(2) - st.layer(1), 12);
    st.NCOLS = -4;
    allocate_tots(st);
    EXPECT_TRUE(st.TOTS.empty());
    for (const int nrows : {2147483647, 268435456}) {  // beyond the address space, beyond the vector's size
        st.NCOLS = 2147483647;
        st.NROWS = nrows;
        EXPECT_THROW(allocate_tots(st), std::bad_alloc);
    }
}

}  // namespace
}  // namespace pondra
