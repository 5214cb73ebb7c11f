// The buffer store: blocks owned per (file, variable), halves and layers,
// refusals of requests that do not fit, and release by BUFDEL3.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buf_fixture.hpp"

using namespace buf_test;

namespace {

// A file number the layer's own tests do not use for buffered files.
constexpr int FID = 200;

class BufStore : public ::testing::Test {
protected:
    void TearDown() override { BUFDEL3(FID); }
};

}  // namespace

TEST_F(BufStore, HalvesKeepTheirOwnValues) {
    const std::vector<float> a = {1, 2, 3, 4}, b = {5, 6, 7, 8};
    ASSERT_TRUE(BUFPUT3(FID, 1, 4, 0, 10000, a.data()));
    ASSERT_TRUE(BUFPUT3(FID, 1, 4, 1, 10000, b.data()));
    std::vector<float> out(4);
    EXPECT_TRUE(BUFGET3(FID, 1, -1, 2, 2, 0, out.data()));
    EXPECT_EQ(out, a);
    EXPECT_TRUE(BUFGET3(FID, 1, 0, 2, 2, 1, out.data()));
    EXPECT_EQ(out, b);
    out.assign(4, 0);
    EXPECT_TRUE(BUFGET3(FID, 1, 2, 2, 2, 1, out.data()));
    EXPECT_EQ(out, (std::vector<float>{7, 8, 0, 0}));
    EXPECT_EQ(buffer_bytes(FID), 32u);
}

TEST_F(BufStore, IntegerAndDoubleBlocks) {
    const std::vector<int> i = {-1, 2147483647, 3};
    const std::vector<double> d = {1.0 / 3.0, -2.5e300};
    ASSERT_TRUE(BUFPUT3I(FID, 2, 3, 0, 0, i.data()));
    ASSERT_TRUE(BUFPUT3D(FID, 3, 2, 1, 60000, d.data()));
    std::vector<int> iout(3);
    std::vector<double> dout(2);
    EXPECT_TRUE(BUFGET3I(FID, 2, -1, 1, 3, 0, iout.data()));
    EXPECT_TRUE(BUFGET3D(FID, 3, -1, 1, 2, 1, dout.data()));
    EXPECT_EQ(iout, i);
    EXPECT_EQ(dout, d);
    // one half of 3 integers, two halves of 2 doubles
    EXPECT_EQ(buffer_bytes(FID), 12u + 32u);
}

TEST_F(BufStore, RequestsOutsideTheBlockRefused) {
    const std::vector<float> a(4, 1.0f);
    const std::vector<double> d(4, 1.0);
    ASSERT_TRUE(BUFPUT3(FID, 1, 4, 0, 0, a.data()));  // one half of 4
    std::vector<float> out(8);
    EXPECT_FALSE(BUFPUT3(FID, 1, 4, 1, 0, a.data()));          // no second half
    EXPECT_FALSE(BUFPUT3(FID, 1, 5, 0, 0, out.data()));        // longer than a half
    EXPECT_FALSE(BUFPUT3D(FID, 1, 2, 0, 0, d.data()));         // other element width
    EXPECT_FALSE(BUFGET3(FID, 1, 3, 2, 2, 0, out.data()));     // layer beyond NLAYS
    EXPECT_FALSE(BUFGET3(FID, 1, -1, 3, 2, 0, out.data()));    // more layers than held
    EXPECT_FALSE(BUFPUT3(FID, MXVARS3 + 1, 1, 0, 0, a.data()));
    EXPECT_FALSE(BUFPUT3(MXFILE3 + 1, 1, 1, 0, 0, a.data()));
}

TEST_F(BufStore, ReadOfAMissingBlock) {
    const std::string out = transcript([] {
        std::vector<float> v(2);
        say("get " + std::to_string(BUFGET3(FID, 1, -1, 1, 2, 0, v.data())));
    });
    EXPECT_EQ(out, "     BUFFERED file not yet allocated\nget 0\n");
}

TEST_F(BufStore, CreateAllocatesEveryVariableOnce) {
    const int vtypes[] = {QVREAL, QVINT, QVDBLE};
    ASSERT_TRUE(BUFCRE3(FID, 3, 2, 5, vtypes, 10000));
    EXPECT_EQ(buffer_bytes(FID), static_cast<std::size_t>(2 * 10 * (4 + 4 + 8)));
    // Variable 1 already has a block: nothing more is allocated.
    ASSERT_TRUE(BUFCRE3(FID, 3, 50, 50, vtypes, 10000));
    EXPECT_EQ(buffer_bytes(FID), static_cast<std::size_t>(2 * 10 * (4 + 4 + 8)));
    // Freshly allocated blocks read as zeros, never as stale memory.
    std::vector<double> d(10, -1.0);
    EXPECT_TRUE(BUFGET3D(FID, 3, -1, 2, 5, 1, d.data()));
    EXPECT_EQ(d, std::vector<double>(10, 0.0));
}

TEST_F(BufStore, CreateFailureLeavesNothing) {
    const std::string out = transcript([] {
        const int vtypes[] = {QVREAL, QVREAL};
        say("create " + std::to_string(BUFCRE3(FID, 2, -1, 5, vtypes, 0)));
        say("held " + std::to_string(buffer_bytes(FID)));
    });
    EXPECT_EQ(out, "     Error allocating internal buffer for BUFCRE3()\ncreate 0\nheld 0\n");
}

TEST_F(BufStore, DeleteReleasesEveryBlock) {
    const std::vector<float> a(3, 2.0f);
    for (int v : {0, 1, 17, MXVARS3}) ASSERT_TRUE(BUFPUT3(FID, v, 3, 1, 10000, a.data()));
    EXPECT_EQ(buffer_bytes(FID), 4u * 2 * 3 * 4);
    BUFDEL3(FID);
    EXPECT_EQ(buffer_bytes(FID), 0u);
    BUFDEL3(FID);  // twice is harmless
    BUFDEL3(-1);   // so is a number outside the table
    EXPECT_EQ(buffer_bytes(FID), 0u);
}
