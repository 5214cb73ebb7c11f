// Native binary files: time flags, data and index parts of the records.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "support/bin_fixture.hpp"
#include "orvex/operations.hpp"

using namespace orvex;
using namespace orvex::detail;
using namespace bin_test;

namespace {

// A small description of the given type with an integer and a double variable.
void small_desc(int ftype, int ncols, int nrows, int nlays, int nvars = 2) {
    gridded_desc(0);
    FDESC3.FTYPE3D = ftype;
    FDESC3.NCOLS3D = ncols;
    FDESC3.NROWS3D = nrows;
    FDESC3.NLAYS3D = nlays;
    FDESC3.NVARS3D = nvars;
    const char* names[] = {"COUNT", "VALUE"};
    const int types[] = {QVINT, QVDBLE};
    for (int v = 0; v < nvars; ++v) {
        FDESC3.VNAME3D[v] = names[v];
        FDESC3.UNITS3D[v] = "1";
        FDESC3.VTYPE3D[v] = types[v];
    }
}

std::string create(const Sandbox& box, const std::string& name) {
    bind_slot();
    const std::string path = box.path(name);
    EXPECT_TRUE(CRTBIN3(path, FID));
    return path;
}

constexpr std::array<int, 2> FLAG = {2020001, 10000};

}  // namespace

TEST(BinRecords, TimeFlagsThenData) {
    Sandbox box;
    small_desc(GRDDED3, 2, 1, 2);
    const std::string path = create(box, "rec.bin");
    const std::size_t hdr = 19884 + 2 * 112, rec = 16 + 2 * 8 + 2 * 16;

    const std::vector<int> counts = {1, 2, 3, 4};
    const std::vector<double> values = {0.5, 1.5, 2.5, 3.5};
    std::string buffer = raw(counts) + raw(values);
    ASSERT_TRUE(WRBVARS(FID, 0, 2, buffer.data()));
    ASSERT_TRUE(WRBFLAG(FID, 0, 2, FLAG));
    ASSERT_TRUE(FLUSHBIN3(FID));

    const std::string f = read_file(path);
    ASSERT_EQ(f.size(), hdr + 2 * rec);
    EXPECT_EQ(le32(f, 0), 2) << "record count";
    EXPECT_EQ(f.substr(hdr + rec, 16), le_bytes(2020001) + le_bytes(10000) + le_bytes(2020001) + le_bytes(10000));
    EXPECT_EQ(f.substr(hdr + rec + 16, 16), raw(counts));
    EXPECT_EQ(f.substr(hdr + rec + 32, 32), raw(values));
    EXPECT_EQ(f.substr(hdr, rec), zeros(rec)) << "record 1 is not written";

    // One variable: all its layers in place, its own pair only.
    const std::vector<double> other = {-1.0, -2.0, -3.0, -4.0};
    ASSERT_TRUE(WRBVARS(FID, 2, 2, raw(other).data()));
    ASSERT_TRUE(WRBFLAG(FID, 2, 2, std::array<int, 2>{2020001, 20000}));
    ASSERT_TRUE(FLUSHBIN3(FID));
    const std::string g = read_file(path);
    EXPECT_EQ(g.substr(hdr + rec, 16), le_bytes(2020001) + le_bytes(10000) + le_bytes(2020001) + le_bytes(20000));
    EXPECT_EQ(g.substr(hdr + rec + 16, 16), raw(counts));
    EXPECT_EQ(g.substr(hdr + rec + 32, 32), raw(other));
    EXPECT_TRUE(CLOSEBIN3(FID));
}

TEST(BinRecords, ZeroVariablesKeepEightBytesOfFlags) {
    Sandbox box;
    small_desc(GRDDED3, 2, 2, 1, 0);
    const std::string path = create(box, "novars.bin");
    ASSERT_TRUE(WRBFLAG(FID, 0, 1, FLAG));
    ASSERT_TRUE(WRBFLAG(FID, 1, 2, std::array<int, 2>{2020001, 20000}));
    std::array<int, 2> pair{};
    ASSERT_TRUE(RDBFLAG(FID, 0, 1, pair));
    EXPECT_EQ(pair, FLAG);
    ASSERT_TRUE(CLOSEBIN3(FID));
    const std::string f = read_file(path);
    ASSERT_EQ(f.size(), 19884u + 16u);
    EXPECT_EQ(f.substr(19884), le_bytes(2020001) + le_bytes(10000) + le_bytes(2020001) + le_bytes(20000));
}

TEST(BinRecords, RecordCountRisesAndNeverFalls) {
    Sandbox box;
    small_desc(CUSTOM3, 3, 0, 1, 1);
    const std::string path = create(box, "count.bin");
    const std::vector<int> data = {7, 8, 9};
    struct {
        int rec;
        int count;
    } steps[] = {{1, 1}, {2, 2}, {3, 3}, {5, 5}, {2, 5}, {4, 5}};
    for (const auto& s : steps) {
        ASSERT_TRUE(WRBVARS(FID, 1, s.rec, data.data()));
        ASSERT_TRUE(WRBFLAG(FID, 1, s.rec, FLAG));
        ASSERT_TRUE(FLUSHBIN3(FID));
        EXPECT_EQ(le32(read_file(path), 0), s.count) << "after record " << s.rec;
        EXPECT_EQ(detail::slot(FID).mxrec, s.count);
    }
    EXPECT_TRUE(CLOSEBIN3(FID));
}

TEST(BinRecords, UnwrittenPairsOfANewRecordNeverMatch) {
    Sandbox box;
    small_desc(GRDDED3, 2, 1, 1);
    FDESC3.TSTEP3D = 0;
    create(box, "partial.bin");
    ASSERT_TRUE(WRBFLAG(FID, 1, 1, std::array<int, 2>{0, 0}));
    std::array<int, 4> pairs{};
    ASSERT_TRUE(RDBFLAG(FID, 0, 1, pairs));
    EXPECT_EQ(pairs, (std::array<int, 4>{0, 0, IMISS3, IMISS3}));
    EXPECT_TRUE(CLOSEBIN3(FID));
}

TEST(BinRecords, ReadsByVariableAndLayer) {
    Sandbox box;
    small_desc(GRDDED3, 2, 1, 3);
    create(box, "layers.bin");
    const std::vector<int> counts = {1, 2, 3, 4, 5, 6};
    const std::vector<double> values = {0.5, 1.5, 2.5, 3.5, 4.5, 5.5};
    ASSERT_TRUE(WRBVARS(FID, 0, 1, (raw(counts) + raw(values)).data()));

    struct Case {
        int vid, lay;
        std::string expected;
    } cases[] = {
        {0, 0, raw(counts) + raw(values)},
        {1, 0, raw(counts)},
        {2, 0, raw(values)},
        {2, 3, raw(std::vector<double>{4.5, 5.5})},
        {0, 2, raw(std::vector<int>{3, 4}) + raw(std::vector<double>{2.5, 3.5})},
    };
    for (const Case& c : cases) {
        std::string out(c.expected.size() + 8, 'x');
        EXPECT_EQ(detail::bin_read_bytes(FID, c.vid, c.lay), static_cast<long long>(c.expected.size()));
        ASSERT_TRUE(RDBVARS(FID, c.vid, c.lay, 1, out.data()));
        EXPECT_EQ(out.substr(0, c.expected.size()), c.expected) << c.vid << " " << c.lay;
        EXPECT_EQ(out.substr(c.expected.size()), "xxxxxxxx") << "nothing beyond the request";
    }
    EXPECT_TRUE(CLOSEBIN3(FID));
}

TEST(BinRecords, IndexPartsTravelWithTheData) {
    Sandbox box;
    // Profile: 2 sites, 3 levels, 1 layer; index = count, IDs, level counts, X, Y, Z.
    small_desc(PROFIL3, 3, 2, 1, 1);
    const std::string path = create(box, "profile.bin");
    const std::vector<int> ints = {2, 101, 102, 3, 2};
    const std::vector<float> coords = {1.5f, 2.5f, -3.5f, 4.5f, 100.0f, 200.0f};
    const std::vector<int> data = {1, 2, 3, 4, 5, 6};
    const std::string buffer = raw(ints) + raw(coords) + raw(data);
    ASSERT_TRUE(WRBVARS(FID, 0, 1, buffer.data()));
    ASSERT_TRUE(WRBFLAG(FID, 0, 1, FLAG));
    ASSERT_TRUE(FLUSHBIN3(FID));

    const std::size_t rec = 19884 + 112;
    const std::string f = read_file(path);
    EXPECT_EQ(f.substr(rec + 8, 20), raw(ints)) << "2 x NROWS + 1 integers";
    EXPECT_EQ(f.substr(rec + 28, 48), raw(std::vector<double>{1.5, 2.5, -3.5, 4.5, 100.0, 200.0}))
        << "3 x NROWS doubles";
    EXPECT_EQ(f.substr(rec + 76, 24), raw(data));
    EXPECT_EQ(detail::bin_state(FID)->recsize, 8 + 20 + 48 + 24);

    std::string out(buffer.size(), '\0');
    ASSERT_TRUE(RDBVARS(FID, 0, 0, 1, out.data()));
    EXPECT_EQ(out, buffer);
    ASSERT_TRUE(RDBVARS(FID, 1, 1, 1, out.data()));
    EXPECT_EQ(out, buffer) << "one variable still reads the index part first";
    EXPECT_TRUE(CLOSEBIN3(FID));
}

TEST(BinRecords, IdDataAndSparseMatrixIndexParts) {
    Sandbox box;
    struct Case {
        int ftype, ncols, nrows;
        std::vector<int> index;
        std::size_t data_words;
    } cases[] = {
        {IDDATA3, 0, 3, {2, 11, 12, 13}, 3},
        {SMATRX3, 4, 2, {2, 2, 1, 3, 2, 4}, 4},
    };
    for (const Case& c : cases) {
        small_desc(c.ftype, c.ncols, c.nrows, 2, 1);
        const std::string path = create(box, "index" + std::to_string(c.ftype) + ".bin");
        std::vector<int> data(c.data_words * (c.ftype == SMATRX3 ? 1 : 2));
        for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<int>(100 + k);
        const std::string buffer = raw(c.index) + raw(data);
        ASSERT_TRUE(WRBVARS(FID, 0, 1, buffer.data()));
        ASSERT_TRUE(FLUSHBIN3(FID));
        EXPECT_EQ(read_file(path).substr(19884 + 112 + 8), buffer) << c.ftype;
        std::string out(buffer.size(), '\0');
        ASSERT_TRUE(RDBVARS(FID, 1, 0, 1, out.data()));
        EXPECT_EQ(out, buffer) << c.ftype;
        EXPECT_TRUE(CLOSEBIN3(FID));
    }
}

TEST(BinRecords, BoundaryPerimeter) {
    Sandbox box;
    struct {
        int nthik;
        long long cells;
    } cases[] = {{1, 34}, {-1, 26}, {2, 2 * 2 * (10 + 5 + 4)}};
    for (const auto& c : cases) {
        small_desc(BNDARY3, 10, 5, 1, 1);
        FDESC3.NTHIK3D = c.nthik;
        create(box, "bnd.bin");
        EXPECT_EQ(detail::slot(FID).laysz, c.cells);
        EXPECT_EQ(detail::bin_state(FID)->laysize[0], 4 * c.cells);
        EXPECT_TRUE(CLOSEBIN3(FID));
    }
}
