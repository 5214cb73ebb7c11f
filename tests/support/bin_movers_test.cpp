// The binary branches of the hyperslab movers RDVARS and WRVARS: the lines
// they write when the binary transfer under them fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvex/operations.hpp"
#include "support/bin_fixture.hpp"
#include "transfer/transfer.hpp"

using namespace orvex;
using namespace bin_test;

namespace {

// A gridded file "BINF" of gridded_desc(3) with record 1 written, opened
// read-only; then body runs after the mark. Returns the log after the mark.
std::string on_open_file(const std::function<void(int fid)>& body) {
    Sandbox box;
    const std::string path = box.path("movers.bin");
    const std::string log = box.path("movers.log");
    const Outcome r = box.run({{"BINF", "BIN:" + path}, {"LOGFILE", log}}, [&] {
        gridded_desc(3);
        ASSERT_TRUE(OPEN3("BINF", FSNEW3, "MOVERS"));
        const std::vector<double> all(4 * 3 * 2 * 4, 1.0);
        ASSERT_TRUE(WRITE3("BINF", "ALL", 2020001, 10000, all.data()));
        ASSERT_TRUE(CLOSE3("BINF"));
        ASSERT_TRUE(OPEN3("BINF", FSRDONLY3, "MOVERS"));
        QVMSG2("MARK");
        body(NAME2FID("BINF"));
    });
    EXPECT_EQ(r.status, 0) << r.out;
    return text_of(after_mark(read_file(log), "MARK"));
}

// The data hyperslab of a gridded record: all layers at record slot step.
detail::Hyperslab gridded_slab(int first_layer, int layers, int step) {
    detail::Hyperslab slab;
    slab.add(1, 4);
    slab.add(1, 3);
    slab.add(first_layer, layers);
    slab.add(step, 1);
    return slab;
}

}  // namespace

TEST(BinMovers, WriteFailureBlocks) {
    std::vector<double> buffer(4 * 3 * 2 * 4, 2.0);
    EXPECT_EQ(on_open_file([&](int fid) {
                  EXPECT_FALSE(detail::WRVARS(fid, 2, {2020001, 20000}, 2, gridded_slab(1, 2, 2), 24, buffer.data()));
              }),
              "     WRBVARS:  fwrite( TIMESTEP ) failure\n"
              "     >>> WARNING in subroutine WRVARS <<<\n"
              "     Error writing variable NO2             to BINIO file BINF\n"
              "     variable  ID       2\n"
              "     ORVEX file ID      1\n"
              "     dims array       1     1     1     2     0\n"
              "     delts array      4     3     2     1     0\n"
              "\n");
    EXPECT_EQ(on_open_file([&](int fid) {
                  EXPECT_FALSE(detail::WRVARS(fid, detail::ALLVARS, {2020001, 20000}, 2, gridded_slab(1, 2, 2), 24,
                                              buffer.data()));
              }),
              "     WRBVARS:  fwrite( TIMESTEP ) failure\n"
              "     >>> WARNING in subroutine WRVARS <<<\n"
              "     Error writing ALL-VARIABLES to BINIO file BINF\n"
              "     ORVEX file ID      1\n"
              "     dims array       1     1     1     2     0\n"
              "     delts array      4     3     2     1     0\n"
              "\n");
}

TEST(BinMovers, ReadFailureLines) {
    std::vector<double> buffer(4 * 3 * 2 * 4);
    struct Case {
        int vid;
        detail::Hyperslab slab;
        std::string expected;
    } cases[] = {
        {2, gridded_slab(1, 2, 2),
         "     RDBVARS:  fread( V-TIMESTEP ) failure\n"
         "     Error reading variable NO2             from file BINF\n"},
        {detail::ALLVARS, gridded_slab(2, 1, 2),
         "     RDBVARS:  fread( V-TIMESTEP ) failure\n"
         "     Error reading ALL VARIABLES from file BINF\n"},
        {detail::ALLVARS, gridded_slab(1, 2, 2),
         "     RDBVARS:  fread( TIMESTEP ) failure\n"
         "     Error reading ALL VARIABLES from file BINF\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(on_open_file([&](int fid) { EXPECT_FALSE(detail::RDVARS(fid, c.vid, c.slab, 12, buffer.data())); }),
                  c.expected);

    // A layer range that is not all layers is read one layer at a time.
    EXPECT_EQ(on_open_file([&](int fid) {
                  std::vector<double> two(4 * 3 * 2, -1.0);
                  EXPECT_TRUE(detail::RDVARS(fid, 3, gridded_slab(2, 1, 1), 12, two.data()));
                  EXPECT_EQ(two[11], 1.0);
                  EXPECT_EQ(two[12], -1.0) << "one layer only";
              }),
              "");
}

TEST(BinMovers, FileTypesWithoutBinaryRecords) {
    std::vector<double> buffer(16);
    EXPECT_EQ(on_open_file([&](int fid) {
                  detail::slot(fid).ftype = KFEVNT3;
                  EXPECT_FALSE(detail::RDVARS(fid, 1, gridded_slab(1, 2, 1), 12, buffer.data()));
                  EXPECT_FALSE(detail::RDVARS(fid, detail::ALLVARS, gridded_slab(1, 2, 1), 12, buffer.data()));
                  detail::slot(fid).ftype = GRDDED3;
              }),
              "     RDVARS:  bad file type for variable O3              from file BINF\n"
              "     RDVARS:  bad file type for file BINF\n");
}
