// Matching input grids onto the output grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "tool/gridding.hpp"

namespace pondra {
namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// Input grid whose value at 1-based (II,JJ) is 100 * JJ + II.
std::vector<float> numbered(int ncols, int nrows) {
    std::vector<float> g(static_cast<std::size_t>(ncols * nrows));
    for (int jj = 1; jj <= nrows; ++jj)
        for (int ii = 1; ii <= ncols; ++ii) g[static_cast<std::size_t>((ii - 1) + (jj - 1) * ncols)] = 100.0f * jj + ii;
    return g;
}

// Output layer after matching `grid` onto a layer filled with `fill`.
std::vector<float> matched(const OutputGrid& out, const InputGrid& in, const std::vector<float>& grid,
                           float fill = 0.0f) {
    std::vector<float> layer(static_cast<std::size_t>(out.NCOLS * out.NROWS), fill);
    match_grid(out, in, mesh_factor(in.XCELL3D, out.CELL), grid.data(), layer.data());
    return layer;
}

// Input columns (1-based, 0 when outside) read by output columns 1..n.
std::vector<int> columns(const OutputGrid& out, const InputGrid& in) {
    const GridMatch m(out, in, mesh_factor(in.XCELL3D, out.CELL));
    std::vector<int> c;
    for (int i = 0; i < out.NCOLS; ++i) c.push_back(m.column(i) + 1);
    return c;
}

TEST(Gridding, MeshFactor) {
    EXPECT_EQ(mesh_factor(36000.0, 12000.0f), 3.0f);
    EXPECT_EQ(mesh_factor(4000.0, 12000.0f), static_cast<float>(4000.0 / 12000.0));
    EXPECT_EQ(mesh_factor(36000.0, 0.0f), std::numeric_limits<float>::infinity());
    EXPECT_EQ(mesh_factor(1.0e300, 1.0f), std::numeric_limits<float>::infinity());
    EXPECT_EQ(mesh_factor(-1.0e300, 1.0f), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(mesh_factor(3.4028235e38, 1.0f), std::numeric_limits<float>::max());
}

TEST(Gridding, MeshThreeWithOffsetTwo) {
    const OutputGrid out{6, 1, -900000.0f, 0.0f, 12000.0f};
    const InputGrid in{10, 3, -1000000.0, 0.0, 36000.0, 36000.0};
    EXPECT_EQ(columns(out, in), (std::vector<int>{3, 3, 3, 4, 4, 4}));
}

TEST(Gridding, OffsetAndPositionTruncatedSeparately) {
    // Offset 2.5 input cells; output column 2 lies 0.6 input cells further.
    const OutputGrid out{2, 1, 25000.0f, 0.0f, 6000.0f};
    const InputGrid in{10, 3, 0.0, 0.0, 10000.0, 10000.0};
    EXPECT_EQ(columns(out, in), (std::vector<int>{3, 3}));
}

TEST(Gridding, NegativeOffsetBelowOneCellIsZero) {
    const OutputGrid out{3, 1, -4000.0f, 0.0f, 10000.0f};
    const InputGrid in{10, 3, 0.0, 0.0, 10000.0, 10000.0};
    EXPECT_EQ(columns(out, in), (std::vector<int>{1, 2, 3}));
}

TEST(Gridding, MeshBelowOneSkipsInputCells) {
    const OutputGrid out{4, 1, 20000.0f, 0.0f, 20000.0f};
    const InputGrid in{12, 3, 0.0, 0.0, 10000.0, 10000.0};
    EXPECT_EQ(columns(out, in), (std::vector<int>{3, 5, 7, 9}));
}

TEST(Gridding, ZeroCellSizeMapsEveryCellToFirstCellAfterOffset) {
    const OutputGrid out{3, 1, 20000.0f, 0.0f, 0.0f};
    const InputGrid in{12, 3, 0.0, 0.0, 10000.0, 10000.0};
    EXPECT_EQ(columns(out, in), (std::vector<int>{3, 3, 3}));
}

TEST(Gridding, LastInputColumnAndRowNeverUsed) {
    // 4 x 3 input, same cells: output cell (I,J) reads input (I,J).
    const OutputGrid out{5, 4, 0.0f, 0.0f, 1000.0f};
    const InputGrid in{4, 3, 0.0, 0.0, 1000.0, 1000.0};
    const std::vector<float> layer = matched(out, in, numbered(4, 3), -1.0f);
    const std::vector<float> expect = {
        101, 102, 103, -1, -1,  //
        201, 202, 203, -1, -1,  //
        -1,  -1,  -1,  -1, -1,  //
        -1,  -1,  -1,  -1, -1,
    };
    EXPECT_EQ(layer, expect);
}

TEST(Gridding, OutputWhollyOutsideLeavesLayerUnchanged) {
    const InputGrid in{10, 10, 0.0, 0.0, 1000.0, 1000.0};
    const std::vector<OutputGrid> outs = {
        {4, 4, 50000.0f, 0.0f, 1000.0f},   // east
        {4, 4, -50000.0f, 0.0f, 1000.0f},  // west
        {4, 4, 0.0f, 50000.0f, 1000.0f},   // north
        {4, 4, 0.0f, -50000.0f, 1000.0f},  // south
    };
    for (const OutputGrid& out : outs)
        EXPECT_EQ(matched(out, in, numbered(10, 10), 7.0f), std::vector<float>(16, 7.0f));
}

TEST(Gridding, UnrepresentableQuotientsCountAsOutside) {
    const std::vector<InputGrid> ins = {
        {10, 10, 0.0, 0.0, 1.0e-300, 1000.0},                                 // IOFF beyond 32 bits
        {10, 10, 0.0, 0.0, 1000.0, 0.0},                                      // JOFF infinite
        {10, 10, std::numeric_limits<double>::quiet_NaN(), 0.0, 1000.0, 1000.0},  // NaN offset
        {10, 10, 0.0, 0.0, 0.0, 0.0},                                         // MESH 0
    };
    const OutputGrid out{4, 4, 0.0f, 0.0f, 1000.0f};
    for (const InputGrid& in : ins)
        EXPECT_EQ(matched(out, in, numbered(10, 10), 7.0f), std::vector<float>(16, 7.0f));
}

TEST(Gridding, MissingValueKeepsEarlierFileValue) {
    const OutputGrid out{3, 1, 0.0f, 0.0f, 1000.0f};
    const InputGrid in{4, 2, 0.0, 0.0, 1000.0, 1000.0};
    std::vector<float> layer(3, 0.0f);
    const float mesh = mesh_factor(in.XCELL3D, out.CELL);
    const std::vector<float> first = {1, 2, 3, 0, 0, 0, 0, 0};
    const std::vector<float> later = {-9.0f, 20, -9.0f, 0, 0, 0, 0, 0};
    match_grid(out, in, mesh, first.data(), layer.data());
    match_grid(out, in, mesh, later.data(), layer.data());
    EXPECT_EQ(layer, (std::vector<float>{1, 20, 3}));
}

TEST(Gridding, NaNAndNearMissingValuesAreCopied) {
    const OutputGrid out{3, 1, 0.0f, 0.0f, 1000.0f};
    const InputGrid in{4, 2, 0.0, 0.0, 1000.0, 1000.0};
    const std::vector<float> grid = {NaN, std::nextafter(-9.0f, 0.0f), -9.000001f, 0, 0, 0, 0, 0};
    const std::vector<float> layer = matched(out, in, grid, 5.0f);
    EXPECT_TRUE(std::isnan(layer[0]));
    EXPECT_EQ(layer[1], std::nextafter(-9.0f, 0.0f));
    EXPECT_EQ(layer[2], -9.000001f);
}

TEST(Gridding, RowsSharingAnInputRowWithMissingValues) {
    // MESH 3: three output rows read each input row; where the input value is
    // -9.0 each output row keeps its own earlier value.
    const OutputGrid out{6, 3, 0.0f, 0.0f, 1000.0f};
    const InputGrid in{3, 3, 0.0, 0.0, 3000.0, 3000.0};
    const std::vector<float> grid = {-9.0f, 5, 5, 5, 5, 5, 5, 5, 5};
    std::vector<float> layer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    match_grid(out, in, mesh_factor(in.XCELL3D, out.CELL), grid.data(), layer.data());
    EXPECT_EQ(layer, (std::vector<float>{1, 2, 3, 5, 5, 5, 7, 8, 9, 5, 5, 5, 13, 14, 15, 5, 5, 5}));
}

// ---- Grouped matching against the per-cell rule ---------------------------------

bool fits_int32(double q) { return q > -2147483649.0 && q < 2147483648.0; }

// The per-cell rule, written out cell by cell.
void per_cell(const OutputGrid& o, const InputGrid& g, float MESH, const float* GRID, float* layer) {
    const double qx = (static_cast<double>(o.XORIG) - g.XORIG3D) / g.XCELL3D;
    const double qy = (static_cast<double>(o.YORIG) - g.YORIG3D) / g.YCELL3D;
    if (!fits_int32(qx) || !fits_int32(qy)) return;
    const int IOFF = static_cast<int>(qx);
    const int JOFF = static_cast<int>(qy);
    for (int J = 1; J <= o.NROWS; ++J) {
        for (int I = 1; I <= o.NCOLS; ++I) {
            const float tx = static_cast<float>(I - 1) / MESH + 1.0f;
            const float ty = static_cast<float>(J - 1) / MESH + 1.0f;
            if (!fits_int32(tx) || !fits_int32(ty)) continue;
            const long long II = IOFF + static_cast<long long>(static_cast<int>(tx));
            const long long JJ = JOFF + static_cast<long long>(static_cast<int>(ty));
            if (II < 1 || II > g.NCOLS3D - 1 || JJ < 1 || JJ > g.NROWS3D - 1) continue;
            const float v = GRID[(II - 1) + (JJ - 1) * g.NCOLS3D];
            if (v != -9.0f) layer[(I - 1) + (J - 1) * o.NCOLS] = v;
        }
    }
}

TEST(Gridding, GroupedEqualsPerCellOnRandomGrids) {
    std::mt19937 rng(20051);
    const std::vector<double> ratios = {1.0 / 3.0, 0.5, 1.0, 2.0, 3.0, 4.0 / 3.0, 0.3, 7.0};
    std::uniform_int_distribution<int> in_n(1, 40), out_n(0, 60), pick(0, static_cast<int>(ratios.size()));
    std::uniform_real_distribution<double> offset(-6.0, 12.0), unit(0.0, 1.0);
    for (int trial = 0; trial < 400; ++trial) {
        const float CELL = trial % 2 ? 12000.0f : 4000.0f;
        const int r = pick(rng);
        const double ratio = r < static_cast<int>(ratios.size()) ? ratios[static_cast<std::size_t>(r)]
                                                                 : 0.05 + 5.0 * unit(rng);
        InputGrid in{in_n(rng), in_n(rng), -1.0e6 * unit(rng), -1.0e6 * unit(rng), CELL * ratio, CELL * ratio};
        if (trial % 7 == 0) in.YCELL3D = in.XCELL3D * 1.5;  // MESH comes from the columns alone
        const OutputGrid out{out_n(rng), out_n(rng), static_cast<float>(in.XORIG3D + offset(rng) * in.XCELL3D),
                             static_cast<float>(in.YORIG3D + offset(rng) * in.YCELL3D), CELL};
        std::vector<float> grid(static_cast<std::size_t>(in.NCOLS3D * in.NROWS3D));
        for (float& v : grid) {
            const double u = unit(rng);
            v = u < 0.1 ? -9.0f : u < 0.12 ? NaN : static_cast<float>(1000.0 * unit(rng));
        }
        if (trial % 3 == 0)  // some grids without missing values
            for (float& v : grid)
                if (v == -9.0f) v = 1.0f;
        std::vector<float> init(static_cast<std::size_t>(out.NCOLS * out.NROWS));
        for (float& v : init) v = static_cast<float>(unit(rng));
        std::vector<float> expect = init, got = init;
        const float MESH = mesh_factor(in.XCELL3D, out.CELL);
        per_cell(out, in, MESH, grid.data(), expect.data());
        match_grid(out, in, MESH, grid.data(), got.data());
        ASSERT_TRUE(expect.empty() || std::memcmp(expect.data(), got.data(), expect.size() * sizeof(float)) == 0)
            << "trial " << trial << " ratio " << ratio << " out " << out.NCOLS << "x" << out.NROWS << " in "
            << in.NCOLS3D << "x" << in.NROWS3D;
    }
}

// Layers of a million bytes and more are written with streaming stores, and
// input cells wider than output cells are read once for all the columns they
// span: the same values and owners as the per-cell rule, with rows whose
// length is no multiple of the store width and rows holding missing values.
TEST(Gridding, LargeLayersEqualPerCell) {
    std::mt19937 rng(4099);
    const OutputGrid out{613, 450, -300000.0f, -200000.0f, 4000.0f};  // 275,850 cells
    for (const double ratio : {3.0, 1.0, 1.0 / 3.0, 2.5}) {
        const double cell = out.CELL * ratio;
        const InputGrid in{static_cast<int>(700 / ratio), static_cast<int>(500 / ratio), -350000.0, -260000.0, cell,
                           cell};
        std::vector<float> grid = numbered(in.NCOLS3D, in.NROWS3D);
        for (std::size_t row = 0; row < static_cast<std::size_t>(in.NROWS3D); row += 7)
            grid[row * static_cast<std::size_t>(in.NCOLS3D) + rng() % static_cast<std::size_t>(in.NCOLS3D)] = MISSING;
        std::vector<float> init(static_cast<std::size_t>(out.NCOLS) * static_cast<std::size_t>(out.NROWS));
        for (float& v : init) v = static_cast<float>(rng() % 1000);
        std::vector<float> expect = init, got = init;
        std::vector<GridMatch::Owner> owner(init.size(), 0);
        const float MESH = mesh_factor(in.XCELL3D, out.CELL);
        per_cell(out, in, MESH, grid.data(), expect.data());
        const GridMatch m(out, in, MESH);
        m.apply(grid.data(), got.data(), owner.data(), 5);
        ASSERT_EQ(std::memcmp(expect.data(), got.data(), expect.size() * sizeof(float)), 0) << "ratio " << ratio;
        std::size_t covered = 0;
        for (int j = 0; j < out.NROWS; ++j)
            for (int i = 0; i < out.NCOLS; ++i) {
                GridMatch::Owner expected = 0;
                if (m.column(i) >= 0 && m.row_offset(j) >= 0)
                    expected = grid[static_cast<std::size_t>(m.row_offset(j) + m.column(i))] != MISSING
                                   ? 5
                                   : GridMatch::MISSING_OWNER;
                covered += expected != 0;
                ASSERT_EQ(owner[static_cast<std::size_t>(j * out.NCOLS + i)], expected) << i << "," << j;
            }
        EXPECT_GT(covered, owner.size() / 2) << "ratio " << ratio;
    }
}

// Matching an input while knowing the next one onto the same layer leaves
// what the next overwrites: after both, the layer and its owners are those of
// matching both in full. Grids of every shape and overlap, with missing
// values (rows with and without), small layers and layers past the streaming
// size; and the same from copies of only the values each matching reads.
TEST(Gridding, KnowingTheNextMatchingEndsTheSame) {
    std::mt19937 rng(313);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::vector<double> ratios = {1.0, 3.0, 1.0 / 3.0, 2.0, 0.5, 2.5};
    std::ptrdiff_t left_out = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const bool large = trial % 10 == 0;
        const OutputGrid out{large ? 600 : 40 + trial % 23, large ? 480 : 30 + trial % 17, 0.0f, 0.0f, 4000.0f};
        const auto grid_of = [&](double ratio) {
            const double cell = out.CELL * ratio;
            const double span_x = out.NCOLS * out.CELL, span_y = out.NROWS * out.CELL;
            const int nx = std::max(2, static_cast<int>(span_x * (0.3 + unit(rng)) / cell));
            const int ny = std::max(2, static_cast<int>(span_y * (0.3 + unit(rng)) / cell));
            return InputGrid{nx, ny, -span_x * 0.3 * unit(rng), -span_y * 0.3 * unit(rng), cell, cell};
        };
        const InputGrid a = grid_of(ratios[static_cast<std::size_t>(trial) % ratios.size()]);
        const InputGrid b = grid_of(ratios[static_cast<std::size_t>(trial / 2) % ratios.size()]);
        const auto values = [&](const InputGrid& g) {
            std::vector<float> v = numbered(g.NCOLS3D, g.NROWS3D);
            const double share = trial % 3 == 0 ? 0.0 : 0.002 * (trial % 4);
            for (float& x : v)
                if (unit(rng) < share) x = MISSING;
            return v;
        };
        const std::vector<float> va = values(a), vb = values(b);
        const GridMatch ma(out, a, mesh_factor(a.XCELL3D, out.CELL)), mb(out, b, mesh_factor(b.XCELL3D, out.CELL));
        const std::size_t cells = static_cast<std::size_t>(out.NCOLS * out.NROWS);
        std::vector<float> full(cells, 0.5f), known(cells, 0.5f);
        std::vector<GridMatch::Owner> full_owner(cells, 0), known_owner(cells, 0);
        ma.apply(va.data(), full.data(), full_owner.data(), 1);
        mb.apply(vb.data(), full.data(), full_owner.data(), 2);
        ma.apply_before(va.data(), known.data(), known_owner.data(), 1, &mb, vb.data());
        mb.apply(vb.data(), known.data(), known_owner.data(), 2);
        ASSERT_EQ(std::memcmp(full.data(), known.data(), cells * sizeof(float)), 0) << "trial " << trial;
        ASSERT_EQ(full_owner, known_owner) << "trial " << trial;

        // The same from copies of only the values each matching reads: a value
        // left out shows as the filler in the layer.
        constexpr float FILLER = 1.0e30f;
        std::vector<float> ca(va.size(), FILLER), cb(vb.size(), FILLER), copied(cells, 0.5f);
        std::vector<GridMatch::Owner> copied_owner(cells, 0);
        ma.copy_read(ca.data(), va.data());
        mb.copy_read(cb.data(), vb.data());
        ma.apply_before(ca.data(), copied.data(), copied_owner.data(), 1, &mb, cb.data());
        mb.apply(cb.data(), copied.data(), copied_owner.data(), 2);
        ASSERT_EQ(std::memcmp(full.data(), copied.data(), cells * sizeof(float)), 0) << "trial " << trial;
        ASSERT_EQ(full_owner, copied_owner) << "trial " << trial;
        left_out += std::count(ca.begin(), ca.end(), FILLER) + std::count(cb.begin(), cb.end(), FILLER);
    }
    // The values no matching reads (the last row and column at least) are not copied.
    EXPECT_GT(left_out, 0);
}

// Noting the owners changes no value; each cell records the last input that
// gave it a value, or that only missing values reached it.
TEST(Gridding, OwnersNotedWithTheSameValues) {
    const OutputGrid out{40, 30, 0.0f, 0.0f, 4000.0f};
    std::mt19937 rng(7);
    std::vector<float> plain(40 * 30, 0.0f), tracked(40 * 30, 0.0f);
    std::vector<GridMatch::Owner> owner(40 * 30, 0);
    const InputGrid inputs[] = {{12, 10, 0.0, 0.0, 12000.0, 12000.0}, {20, 20, 40000.0, 20000.0, 4000.0, 4000.0}};
    std::vector<std::vector<float>> grids;
    for (GridMatch::Owner k = 1; k <= 2; ++k) {
        const InputGrid& in = inputs[k - 1];
        std::vector<float> g = numbered(in.NCOLS3D, in.NROWS3D);
        for (float& v : g)
            if (rng() % 4 == 0) v = MISSING;
        const GridMatch m(out, in, mesh_factor(in.XCELL3D, out.CELL));
        m.apply(g.data(), plain.data());
        m.apply(g.data(), tracked.data(), owner.data(), k);
        grids.push_back(std::move(g));
    }
    EXPECT_EQ(plain, tracked);
    // Each owner against a direct look at the inputs, last input first.
    for (int j = 0; j < 30; ++j)
        for (int i = 0; i < 40; ++i) {
            GridMatch::Owner expected = 0;
            for (GridMatch::Owner k = 2; k >= 1 && (expected == 0 || expected == GridMatch::MISSING_OWNER); --k) {
                const InputGrid& in = inputs[k - 1];
                const GridMatch m(out, in, mesh_factor(in.XCELL3D, out.CELL));
                if (m.column(i) < 0 || m.row_offset(j) < 0) continue;
                const float v = grids[k - 1][static_cast<std::size_t>(m.row_offset(j) + m.column(i))];
                expected = v != MISSING ? k : GridMatch::MISSING_OWNER;
            }
            EXPECT_EQ(owner[static_cast<std::size_t>(j * 40 + i)], expected) << i << "," << j;
        }
}

}  // namespace
}  // namespace pondra
