// Matching the cells of one input grid onto the output grid.
//
// Each output cell (I,J) takes the value of the one input cell (II,JJ):
//   IOFF = trunc((double(XORIG) - XORIG3D) / XCELL3D)      64-bit arithmetic
//   JOFF = trunc((double(YORIG) - YORIG3D) / YCELL3D)
//   II   = IOFF + trunc(float(I - 1) / MESH + 1.0f)         32-bit arithmetic
//   JJ   = JOFF + trunc(float(J - 1) / MESH + 1.0f)
// where trunc converts toward zero to a 32-bit integer. The input cell is used
// when 1 <= II <= NCOLS3D - 1 and 1 <= JJ <= NROWS3D - 1 (the last input column
// and row are never used) and its value is not exactly -9.0; otherwise the
// output cell keeps what it held.
//
// A quotient that is NaN or does not fit a 32-bit integer, and an index sum
// beyond the 32-bit range, make the cell count as outside the input grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pondra {

// Input values equal to this are missing and never copied.
inline constexpr float MISSING = -9.0f;

// The output grid of the dialogue (metres).
struct OutputGrid {
    int NCOLS = 0, NROWS = 0;
    float XORIG = 0, YORIG = 0, CELL = 0;
};

// The grid fields of one input file's description.
struct InputGrid {
    int NCOLS3D = 0, NROWS3D = 0;
    double XORIG3D = 0, YORIG3D = 0, XCELL3D = 0, YCELL3D = 0;
};

// MESH: XCELL3D / CELL in 64-bit arithmetic, rounded to a 32-bit real.
float mesh_factor(double XCELL3D, float CELL);

// The index tables of one input file against the output grid. The column an
// output cell reads depends only on I and its row only on J, so both are
// computed once per file; matching a variable is then a gather.
class GridMatch {
public:
    // The input file an output cell took its value from (1-based), 0 when no
    // input covered it, MISSING_OWNER when every covering value was missing.
    using Owner = std::uint16_t;
    static constexpr Owner MISSING_OWNER = 0xFFFF;

    GridMatch() = default;  // matches nothing
    GridMatch(const OutputGrid& out, const InputGrid& in, float MESH);

    // Matches GRID (NCOLS3D x NROWS3D, column fastest) into one output layer
    // (NCOLS x NROWS, column fastest), in place.
    void apply(const float* GRID, float* layer) const;
    // The same, noting in `owner` (one per output cell; none when nullptr)
    // which cells took their value from input k.
    void apply(const float* GRID, float* layer, Owner* owner, Owner k) const;
    // The same, knowing the next matching onto this layer (`next` with its
    // values next_GRID; none when nullptr): the cells it will overwrite with a
    // value are left as they are (and their owners too), since the next
    // matching decides them. The layer ends as after both matchings in full.
    void apply_before(const float* GRID, float* layer, Owner* owner, Owner k, const GridMatch* next,
                      const float* next_GRID) const;

    // Copies from GRID into dst (an array of the same layout) the input values
    // that this matching reads, with streaming stores; the other values of
    // dst are left as they are. Matching dst is then matching GRID, and so is
    // the matching before this one when it is told of dst.
    void copy_read(float* dst, const float* GRID) const;

    // True when at least one output cell lies inside the input's used cells.
    bool covers_any() const;

    // 0-based input column read by 0-based output column i, or -1 when outside.
    int column(int i) const { return col_[static_cast<std::size_t>(i)]; }
    // Offset of the input row read by 0-based output row j, or -1 when outside.
    long long row_offset(int j) const { return row_[static_cast<std::size_t>(j)]; }

private:
    struct Run {
        std::size_t begin, end;  // output columns [begin, end) that are all inside
    };
    struct Span {
        int col;           // the input column ...
        std::uint32_t n;   // ... read by this many consecutive output columns
    };
    template <bool Track>
    bool gather_row(const float* src, float* dst, Owner* own, Owner k, const std::vector<Run>& runs) const;
    bool gather_all(const float* src, float* row) const;
    bool gather_runs(const float* src, float* row, const std::vector<Run>& runs) const;
    // Whether an input row (its first value at src) holds a missing value in a column that is read.
    bool reads_missing(const float* src) const;
    // The inside columns of this matching that are outside `other`'s.
    std::vector<Run> outside_of(const GridMatch& other) const;
    template <bool Track>
    void apply_rows(const float* GRID, float* layer, Owner* owner, Owner k, const GridMatch* next,
                    const float* next_GRID) const;

    std::size_t ncols_ = 0, nrows_ = 0;
    bool stream_ = false;         // large layers are written past the caches
    std::vector<int> col_;        // per output column
    std::vector<long long> row_;  // per output row
    std::vector<Run> runs_;
    std::vector<Span> spans_;  // the inside columns in order, when input cells span several output columns
    int first_col_ = 0, end_col_ = 0;     // the input columns read: [first_col_, end_col_)
    std::vector<long long> read_rows_;  // offsets of the input rows read, each once
};

// One variable at once: GridMatch(out, in, MESH).apply(GRID, layer).
void match_grid(const OutputGrid& out, const InputGrid& in, float MESH, const float* GRID, float* layer);

}  // namespace pondra
