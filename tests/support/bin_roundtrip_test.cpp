// Native binary files through the layer's own operations: OPEN3 with a "BIN:"
// path, WRITE3, CLOSE3, OPEN3 again, READ3 and DESC3, for every file type that
// has a binary layout; and the refusals seen through OPEN3.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orvex/operations.hpp"
#include "support/bin_fixture.hpp"

using namespace orvex;
using namespace orvex::detail;
using namespace bin_test;

namespace {

using Words = std::vector<std::uint32_t>;

struct Shape {
    const char* label;
    int ftype;
    int nvals;        // values per layer (4 columns, 3 rows, thickness 1)
    int layers;       // layers stored per variable
    bool by_variable; // WRITE3 of one variable is allowed
};

const Shape SHAPES[] = {
    {"CUSTOM3", CUSTOM3, 4, 2, true},  {"GRDDED3", GRDDED3, 12, 2, true}, {"BNDARY3", BNDARY3, 18, 2, true},
    {"IDDATA3", IDDATA3, 3, 2, false}, {"PROFIL3", PROFIL3, 12, 2, false}, {"SMATRX3", SMATRX3, 4, 1, true},
};

// The types of the three variables of gridded_desc(3).
constexpr int TYPES[] = {QVINT, QVREAL, QVDBLE};

void push_float(Words& w, float f) { w.push_back(std::bit_cast<std::uint32_t>(f)); }

// The index part of a record of seed: integers, and reals for the profile coordinates.
Words index_part(const Shape& sh, int seed) {
    const int n = 3;  // NROWS
    Words w;
    switch (sh.ftype) {
        case IDDATA3:
            for (int k = 0; k <= n; ++k) w.push_back(static_cast<std::uint32_t>(seed * 100 + k));
            break;
        case PROFIL3:
            for (int k = 0; k <= 2 * n; ++k) w.push_back(static_cast<std::uint32_t>(seed * 100 + k));
            for (int k = 0; k < 3 * n; ++k) push_float(w, static_cast<float>(seed) + 0.25f * static_cast<float>(k) - 1.0f);
            break;
        case SMATRX3:
            for (int k = 0; k < n + 4; ++k) w.push_back(static_cast<std::uint32_t>(seed * 10 + k));
            break;
        default: break;
    }
    return w;
}

// One layer of variable v (1-based) of a record of seed.
void push_layer(Words& w, const Shape& sh, int seed, int v, int lay) {
    for (int k = 0; k < sh.nvals; ++k) {
        const double x = seed * 1000 + v * 100 + lay * 10 + k * 0.5;
        switch (TYPES[v - 1]) {
            case QVINT: w.push_back(static_cast<std::uint32_t>(static_cast<int>(x))); break;
            case QVREAL: push_float(w, static_cast<float>(x)); break;
            default: {
                const auto bits = std::bit_cast<std::uint64_t>(x);
                w.push_back(static_cast<std::uint32_t>(bits));
                w.push_back(static_cast<std::uint32_t>(bits >> 32));
            }
        }
    }
}

// READ3's and WRITE3's buffer: the index part, then variable vid (0: all) with
// all layers (lay 0) or one layer.
Words record(const Shape& sh, int seed, int vid, int lay) {
    Words w = index_part(sh, seed);
    for (int v = vid > 0 ? vid : 1; v <= (vid > 0 ? vid : 3); ++v)
        for (int l = 1; l <= sh.layers; ++l)
            if (lay <= 0 || l == lay || sh.ftype == SMATRX3) push_layer(w, sh, seed, v, l);
    return w;
}

// READ3 into a buffer with room to spare; the words read, or the failure marker.
Words read3(const char* vname, int layer, int jtime, std::size_t words) {
    Words out(words + 4, 0xA5A5A5A5u);
    if (!READ3("BINF", vname, layer, 2020001, jtime, out.data())) return {0xFFFFFFFFu};
    for (std::size_t k = words; k < out.size(); ++k) EXPECT_EQ(out[k], 0xA5A5A5A5u) << "word " << k << " beyond";
    out.resize(words);
    return out;
}

void expect_described_as(const Fdesc3& want, int mxrec) {
    ASSERT_TRUE(DESC3("BINF"));
    expect_same_description(want, FDESC3, START | TOP | HISTORY);
    EXPECT_EQ(FDESC3.MXREC3D, mxrec);
}

class BinRoundTrip : public ::testing::TestWithParam<Shape> {};

TEST_P(BinRoundTrip, WriteCloseReopenReadDescribe) {
    const Shape& sh = GetParam();
    Sandbox box;
    const std::string path = box.path("file.bin");
    const Outcome r = box.run({{"BINF", "BIN:" + path}, {"LOGFILE", box.path("run.log")}}, [&] {
        gridded_desc(3);
        FDESC3.FTYPE3D = sh.ftype;
        const auto want = std::make_unique<Fdesc3>(FDESC3);
        ASSERT_TRUE(OPEN3("BINF", FSNEW3, "BINWRITE"));
        EXPECT_EQ(detail::slot(NAME2FID("BINF")).cdfid, BINFIL3);
        const Words all2 = record(sh, 2, 0, 0);
        ASSERT_TRUE(WRITE3("BINF", "ALL", 2020001, 20000, all2.data()));
        const Words no2 = record(sh, 3, 2, 0);
        if (sh.by_variable) {
            ASSERT_TRUE(WRITE3("BINF", "NO2", 2020001, 30000, no2.data()));
        }
        ASSERT_TRUE(CLOSE3("BINF"));

        ASSERT_TRUE(OPEN3("BINF", FSRDONLY3, "BINREAD"));
        expect_described_as(*want, sh.by_variable ? 3 : 2);
        EXPECT_EQ(read3("ALL", ALLAYS3, 20000, all2.size()), all2);
        EXPECT_EQ(read3("TEMP", 2, 20000, record(sh, 2, 3, 2).size()), record(sh, 2, 3, 2));
        EXPECT_EQ(read3("ALL", 1, 20000, record(sh, 2, 0, 1).size()), record(sh, 2, 0, 1));
        EXPECT_EQ(read3("O3", ALLAYS3, 10000, 1000), Words{0xFFFFFFFFu}) << "record 1 was never written";
        if (sh.by_variable) {
            EXPECT_EQ(read3("NO2", ALLAYS3, 30000, no2.size()), no2);
            EXPECT_EQ(read3("O3", ALLAYS3, 30000, 1000), Words{0xFFFFFFFFu}) << "O3 was not written at 3";
        }
        ASSERT_TRUE(CLOSE3("BINF"));

        // Opened again for writing as an existing file of the same description.
        FDESC3 = *want;
        ASSERT_TRUE(OPEN3("BINF", FSUNKN3, "BINUPDATE"));
        const Words all4 = record(sh, 4, 0, 0);
        ASSERT_TRUE(WRITE3("BINF", "ALL", 2020001, 40000, all4.data()));
        ASSERT_TRUE(CLOSE3("BINF"));
        ASSERT_TRUE(OPEN3("BINF", FSRDONLY3, "BINREAD"));
        expect_described_as(*want, 4);
        EXPECT_EQ(read3("ALL", ALLAYS3, 40000, all4.size()), all4);
        EXPECT_EQ(read3("ALL", ALLAYS3, 20000, all2.size()), all2);
        ASSERT_TRUE(CLOSE3("BINF"));
    });
    EXPECT_EQ(r.status, 0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(EveryBinaryType, BinRoundTrip, ::testing::ValuesIn(SHAPES),
                         [](const ::testing::TestParamInfo<Shape>& p) { return std::string(p.param.label); });

TEST(BinThroughOpen3, RefusedDescriptionsLeaveNoFileOpen) {
    Sandbox box;
    const std::string path = box.path("refused.bin");
    struct Case {
        int ftype;
        int vtype;
        std::vector<std::string> lines;
    } cases[] = {
        {GRNEST3, QVINT, {"     CRTBIN3():  unsupported FTYPE 5", "     CRTBIN3:  invalid file specification"}},
        {DCTNRY3, QVINT, {"     CRTBIN3():  unsupported FTYPE 0", "     CRTBIN3:  invalid file specification"}},
        {GRDDED3, 1, {"     Variable 0:  invalid type 1", "     CRTBIN3:  invalid file specification"}},
    };
    for (const Case& c : cases) {
        const std::string log = box.path("refused.log");
        std::filesystem::remove(log);
        const Outcome r = box.run({{"BINF", "BIN:" + path}, {"LOGFILE", log}}, [&] {
            gridded_desc(3);
            FDESC3.FTYPE3D = c.ftype;
            FDESC3.VTYPE3D[0] = c.vtype;
            EXPECT_FALSE(OPEN3("BINF", FSNEW3, "BINWRITE"));
            EXPECT_EQ(NAME2FID("BINF"), 0);
            EXPECT_EQ(detail::bin_state(1), nullptr);
        });
        EXPECT_EQ(r.status, 0) << r.out;
        const std::string text = read_file(log);
        std::string expected;
        for (const std::string& l : c.lines) expected += l + "\n";
        EXPECT_NE(text.find(expected), std::string::npos) << text;
    }
}

TEST(BinThroughOpen3, CorruptedFileIsNotOpened) {
    Sandbox box;
    const std::string path = box.path("bad.bin");
    const std::string log = box.path("bad.log");
    box.run({{"BINF", "BIN:" + path}, {"LOGFILE", box.path("create.log")}}, [&] {
        gridded_desc(3);
        ASSERT_TRUE(OPEN3("BINF", FSNEW3, "BINWRITE"));
        ASSERT_TRUE(CLOSE3("BINF"));
    });
    patch_file(path, 80, le_bytes(100000));
    const Outcome r = box.run({{"BINF", "BIN:" + path}, {"LOGFILE", log}}, [&] {
        EXPECT_FALSE(OPEN3("BINF", FSRDONLY3, "BINREAD"));
        EXPECT_EQ(NAME2FID("BINF"), 0);
    });
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(read_file(log).find("     CRTBIN3:  max NVARS exceeded for this build\n"), std::string::npos);
}

}  // namespace
