// Records on the time axis: where a date and time is written, which flags it
// gets, and what reading an unwritten or overwritten record says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer_fixture.hpp"

using namespace orvex;
using namespace transfer_test;

namespace {

// One real variable on a 4 x 3 grid of two layers: 24 values.
Words grid(float base) {
    Words w(24);
    for (std::size_t i = 1; i <= 24; ++i) w.put_real(i, base + static_cast<float>(i));
    return w;
}

const int FILL = NC_FILL_INT;

std::vector<std::string> not_available(const std::string& file, const std::string& var, int jdate, int jtime) {
    return warning("RDTFLAG", "Time step not available in file " + file + " for variable " + var, jdate, jtime);
}

TEST(TimeAxis, RecordTwentyFiveIsTheEndOfDayOne) {
    ASSERT_TRUE(create("AXIS25", FileDef{}));
    const Words w = grid(100);
    LogMark mark;
    ASSERT_TRUE(WRITE3("AXIS25", "ALL", 2020001, 240000, w.data()));
    EXPECT_EQ(mark.lines(), std::vector<std::string>{logged("Timestep written to AXIS25 for date and time   2020001:240000")});

    Words out(24);
    EXPECT_TRUE(READ3("AXIS25", "O3", ALLAYS3, 2020001, 240000, out.data()));
    EXPECT_EQ(out, w);
    LogMark miss;
    EXPECT_FALSE(READ3("AXIS25", "O3", ALLAYS3, 2020002, 0, out.data()));
    EXPECT_EQ(miss.lines(), not_available("AXIS25", "O3", 2020002, 0));
    ASSERT_TRUE(CLOSE3("AXIS25"));

    std::vector<int> flags(50, FILL);  // 25 records of one pair
    flags[48] = 2020001;
    flags[49] = 240000;
    EXPECT_EQ(tflags("AXIS25"), flags);

    ASSERT_TRUE(OPEN3("AXIS25", FSRDONLY3, "TRTEST"));
    EXPECT_TRUE(READ3("AXIS25", "O3", 2, 2020001, 240000, out.data()));
    EXPECT_EQ(out.slice(1, 12), w.slice(13, 12));
    EXPECT_FALSE(READ3("AXIS25", "O3", 2, 2020002, 0, out.data()));
    EXPECT_TRUE(CLOSE3("AXIS25"));
}

TEST(TimeAxis, NegativeStepKeepsTwoRecords) {
    FileDef def;
    def.tstep = -10000;
    ASSERT_TRUE(create("TWOREC", def));
    const Words w1 = grid(100), w2 = grid(200), w3 = grid(300);
    ASSERT_TRUE(WRITE3("TWOREC", "O3", 2020001, 0, w1.data()));
    ASSERT_TRUE(WRITE3("TWOREC", "O3", 2020001, 20000, w3.data()));

    Words out(24);
    LogMark mark;
    EXPECT_FALSE(READ3("TWOREC", "O3", ALLAYS3, 2020001, 0, out.data()));
    EXPECT_EQ(mark.lines(), not_available("TWOREC", "O3", 2020001, 0));
    EXPECT_TRUE(READ3("TWOREC", "O3", ALLAYS3, 2020001, 20000, out.data()));
    EXPECT_EQ(out, w3);
    ASSERT_TRUE(WRITE3("TWOREC", "O3", 2020001, 10000, w2.data()));
    EXPECT_TRUE(READ3("TWOREC", "O3", ALLAYS3, 2020001, 10000, out.data()));
    EXPECT_EQ(out, w2);
    EXPECT_FALSE(READ3("TWOREC", "O3", ALLAYS3, 2020001, 30000, out.data()));
    ASSERT_TRUE(CLOSE3("TWOREC"));
    EXPECT_EQ(tflags("TWOREC"), (std::vector<int>{2020001, 20000, 2020001, 10000}));
}

TEST(TimeAxis, TimeIndependentFileFlagsAreZero) {
    FileDef def;
    def.tstep = 0;
    ASSERT_TRUE(create("TINDEP", def));
    const Words w = grid(7);
    LogMark mark;
    ASSERT_TRUE(WRITE3("TINDEP", "O3", 2020123, 120000, w.data()));
    ASSERT_TRUE(WRITE3("TINDEP", "ALL", 0, 0, w.data()));
    EXPECT_EQ(mark.lines(), (std::vector<std::string>{logged("O3 written to TINDEP"), logged("Record written to TINDEP")}));
    Words out(24);
    EXPECT_TRUE(READ3("TINDEP", "O3", ALLAYS3, 1999001, 10000, out.data()));
    EXPECT_EQ(out, w);
    ASSERT_TRUE(CLOSE3("TINDEP"));
    EXPECT_EQ(tflags("TINDEP"), (std::vector<int>{0, 0}));
}

// netCDF answers a slot beyond the file's records with "invalid coordinates"
// only for a dataset opened read-only; the layer says "not yet written" for
// both, and "not available" for an unwritten record inside the file.
TEST(TimeAxis, UnwrittenRecords) {
    ASSERT_TRUE(create("UNWRIT", FileDef{}));
    const Words w = grid(1);
    ASSERT_TRUE(WRITE3("UNWRIT", "ALL", 2020001, 0, w.data()));
    Words out(24);
    const auto beyond = warning("RDTFLAG", "Time step not yet written in file UNWRIT", 2020001, 20000);

    LogMark writable;
    EXPECT_FALSE(READ3("UNWRIT", "O3", ALLAYS3, 2020001, 20000, out.data()));
    EXPECT_EQ(writable.lines(), beyond);
    ASSERT_TRUE(CLOSE3("UNWRIT"));

    ASSERT_TRUE(OPEN3("UNWRIT", FSRDONLY3, "TRTEST"));
    LogMark readonly;
    EXPECT_FALSE(READ3("UNWRIT", "O3", ALLAYS3, 2020001, 20000, out.data()));
    EXPECT_EQ(readonly.lines(), beyond);
    ASSERT_TRUE(CLOSE3("UNWRIT"));

    ASSERT_TRUE(OPEN3("UNWRIT", FSRDWR3, "TRTEST"));
    ASSERT_TRUE(WRITE3("UNWRIT", "ALL", 2020001, 20000, w.data()));
    LogMark inside;
    EXPECT_FALSE(READ3("UNWRIT", "O3", ALLAYS3, 2020001, 10000, out.data()));
    EXPECT_EQ(inside.lines(), not_available("UNWRIT", "O3", 2020001, 10000));
    ASSERT_TRUE(CLOSE3("UNWRIT"));
}

// Every variable of an all-variables read is compared: one warning each.
TEST(TimeAxis, AllVariablesReadWarnsForEachMissingVariable) {
    FileDef def;
    def.vars = {{"A", QVREAL}, {"B", QVINT}, {"C", QVDBLE}};
    ASSERT_TRUE(create("PARTIAL", def));
    const Words w = grid(5);
    ASSERT_TRUE(WRITE3("PARTIAL", "A", 2020001, 0, w.data()));
    Words out(24 * 4);
    LogMark mark;
    EXPECT_FALSE(READ3("PARTIAL", "ALL", ALLAYS3, 2020001, 0, out.data()));
    EXPECT_EQ(mark.lines(), not_available("PARTIAL", "B", 2020001, 0) + not_available("PARTIAL", "C", 2020001, 0));
    EXPECT_TRUE(READ3("PARTIAL", "A", ALLAYS3, 2020001, 0, out.data()));
    ASSERT_TRUE(CLOSE3("PARTIAL"));
    EXPECT_EQ(tflags("PARTIAL"), (std::vector<int>{2020001, 0, FILL, FILL, FILL, FILL}));
}

}  // namespace
