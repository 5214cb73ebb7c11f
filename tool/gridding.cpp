// Matching the cells of one input grid onto the output grid.
#include "tool/gridding.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#if defined(__SSE__)
#include <immintrin.h>
#endif

namespace pondra {

namespace {

// The quotient truncated toward zero, when it fits a 32-bit integer.
std::optional<int> trunc_int32(double q) {
    if (q > -2147483649.0 && q < 2147483648.0) return static_cast<int>(q);
    return std::nullopt;  // NaN, infinite or too large
}

// Whole input cells between the output origin and the input origin.
std::optional<int> whole_cell_offset(float orig, double orig3d, double cell3d) {
    return trunc_int32((static_cast<double>(orig) - orig3d) / cell3d);
}

// 0-based input index read at 0-based output position p along one axis of n3d
// input cells, or -1 when it falls outside the usable cells 1 .. n3d - 1.
long long axis_index(std::optional<int> off, int p, float MESH, int n3d) {
    if (!off) return -1;
    const float t = static_cast<float>(p) / MESH + 1.0f;  // 32-bit division and addition
    const std::optional<int> k = trunc_int32(t);
    if (!k) return -1;
    const long long index = static_cast<long long>(*off) + *k;  // 1-based, no 32-bit overflow
    if (index < 1 || index > static_cast<long long>(n3d) - 1) return -1;
    return index - 1;
}

// Output layers of at least this many bytes are written with streaming stores:
// they go to memory without first being read into the caches, which they
// would only crowd (a layer is written again only by the next input).
constexpr std::size_t STREAM_BYTES = std::size_t{1} << 20;

// Copies n floats with streaming stores where the target is aligned for them.
void stream_copy(float* dst, const float* src, std::size_t n) {
#if defined(__SSE__)
    std::size_t i = 0;
    for (; i < n && reinterpret_cast<std::uintptr_t>(dst + i) % 16 != 0; ++i) dst[i] = src[i];
    for (; i + 4 <= n; i += 4) _mm_stream_ps(dst + i, _mm_loadu_ps(src + i));
    for (; i < n; ++i) dst[i] = src[i];
#else
    std::memcpy(dst, src, n * sizeof(float));
#endif
}

// Makes the streaming stores visible before whatever follows.
void end_streaming() {
#if defined(__SSE__)
    _mm_sfence();
#endif
}

}  // namespace

float mesh_factor(double XCELL3D, float CELL) {
    const double q = XCELL3D / static_cast<double>(CELL);
    // Beyond the float range the rounding goes to the largest float or to
    // infinity, as the hardware conversion does; made explicit to stay defined.
    constexpr double to_infinity = 0x1.ffffffp127;  // FLT_MAX plus half its spacing
    if (std::fabs(q) > static_cast<double>(FLT_MAX) && std::isfinite(q)) {
        const float m = std::fabs(q) >= to_infinity ? std::numeric_limits<float>::infinity() : FLT_MAX;
        return q > 0 ? m : -m;
    }
    return static_cast<float>(q);
}

GridMatch::GridMatch(const OutputGrid& out, const InputGrid& in, float MESH)
    : ncols_(static_cast<std::size_t>(std::max(out.NCOLS, 0))),
      nrows_(static_cast<std::size_t>(std::max(out.NROWS, 0))),
      col_(ncols_, -1),
      row_(nrows_, -1) {
    stream_ = ncols_ * nrows_ >= STREAM_BYTES / sizeof(float);
    const std::optional<int> IOFF = whole_cell_offset(out.XORIG, in.XORIG3D, in.XCELL3D);
    const std::optional<int> JOFF = whole_cell_offset(out.YORIG, in.YORIG3D, in.YCELL3D);
    for (std::size_t i = 0; i < ncols_; ++i)
        col_[i] = static_cast<int>(axis_index(IOFF, static_cast<int>(i), MESH, in.NCOLS3D));
    for (std::size_t j = 0; j < nrows_; ++j) {
        const long long jj = axis_index(JOFF, static_cast<int>(j), MESH, in.NROWS3D);
        row_[j] = jj < 0 ? -1 : jj * static_cast<long long>(in.NCOLS3D);
    }
    for (std::size_t i = 0; i < ncols_;) {
        if (col_[i] < 0) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        while (i < ncols_ && col_[i] >= 0) ++i;
        runs_.push_back({begin, i});
    }
    // Where input cells are wider than output cells, each input value is
    // loaded once and written to all the output columns it spans.
    std::vector<Span> spans;
    std::size_t inside = 0;
    for (const Run& run : runs_) {
        inside += run.end - run.begin;
        for (std::size_t c = run.begin; c < run.end; ++c) {
            if (c > run.begin && col_[c] == col_[c - 1])
                ++spans.back().n;
            else
                spans.push_back({col_[c], 1});
        }
    }
    if (inside >= 2 * spans.size()) spans_ = std::move(spans);

    // The part of the input that is read: a box of columns in each row read.
    if (!runs_.empty()) {
        first_col_ = std::numeric_limits<int>::max();
        for (const int c : col_) {
            if (c < 0) continue;
            first_col_ = std::min(first_col_, c);
            end_col_ = std::max(end_col_, c + 1);
        }
        for (const long long r : row_)
            if (r >= 0) read_rows_.push_back(r);
        std::sort(read_rows_.begin(), read_rows_.end());
        read_rows_.erase(std::unique(read_rows_.begin(), read_rows_.end()), read_rows_.end());
    }
}

void GridMatch::copy_read(float* dst, const float* GRID) const {
    const auto first = static_cast<std::size_t>(first_col_);
    const auto n = static_cast<std::size_t>(end_col_ - first_col_);
    for (const long long r : read_rows_) {
        const std::size_t at = static_cast<std::size_t>(r) + first;
        stream_copy(dst + at, GRID + at, n);
    }
    end_streaming();
}

// Copies the cells of `runs` of one output row from its input row; true when
// a missing value was met. With an owner row, each cell that takes a value
// records `k`, and a cell that met only missing values so far records
// MISSING_OWNER.
template <bool Track>
bool GridMatch::gather_row(const float* src, float* dst, Owner* own, Owner k, const std::vector<Run>& runs) const {
    bool missing = false;
    const int* col = col_.data();
    for (const Run& run : runs) {
        for (std::size_t i = run.begin; i < run.end; ++i) {
            const float v = src[col[i]];
            if (v != MISSING) {
                dst[i] = v;
                if constexpr (Track) own[i] = k;
            } else {
                missing = true;
                if constexpr (Track) {
                    if (own[i] == 0) own[i] = MISSING_OWNER;
                }
            }
        }
    }
    return missing;
}

// Gathers the inside cells of one output row into `row` whatever their value;
// true when one of them is missing.
bool GridMatch::gather_all(const float* src, float* row) const {
    if (spans_.empty()) return gather_runs(src, row, runs_);
    bool missing = false;
    // The spans run through the runs in order.
    auto span = spans_.begin();
    for (const Run& run : runs_) {
        float* out = row + run.begin;
        float* const end = row + run.end;
        while (out < end) {
            const float v = src[span->col];
            missing |= v == MISSING;
            std::fill_n(out, span->n, v);
            out += span->n;
            ++span;
        }
    }
    return missing;
}

// The same over the cells of `runs` alone, column by column.
bool GridMatch::gather_runs(const float* src, float* row, const std::vector<Run>& runs) const {
    bool missing = false;
    const int* col = col_.data();
    for (const Run& run : runs) {
        for (std::size_t i = run.begin; i < run.end; ++i) {
            const float v = src[col[i]];
            row[i] = v;
            missing |= v == MISSING;
        }
    }
    return missing;
}

bool GridMatch::reads_missing(const float* src) const {
    if (!spans_.empty())
        return std::any_of(spans_.begin(), spans_.end(), [&](const Span& s) { return src[s.col] == MISSING; });
    for (const Run& run : runs_)
        for (std::size_t i = run.begin; i < run.end; ++i)
            if (src[col_[i]] == MISSING) return true;
    return false;
}

std::vector<GridMatch::Run> GridMatch::outside_of(const GridMatch& other) const {
    std::vector<Run> left;
    auto o = other.runs_.begin();
    for (const Run& run : runs_) {
        std::size_t at = run.begin;
        while (o != other.runs_.end() && o->end <= at) ++o;
        for (auto p = o; p != other.runs_.end() && p->begin < run.end; ++p) {
            if (p->begin > at) left.push_back({at, p->begin});
            at = std::max(at, p->end);
        }
        if (at < run.end) left.push_back({at, run.end});
    }
    return left;
}

template <bool Track>
void GridMatch::apply_rows(const float* GRID, float* layer, Owner* owner, Owner k, const GridMatch* next,
                           const float* next_GRID) const {
    if (runs_.empty()) return;
    if (next != nullptr && (next->ncols_ != ncols_ || next->nrows_ != nrows_)) next = nullptr;  // another output grid
    // A row the next matching reaches with no missing value over its inside
    // columns is overwritten there: only its other inside columns are written.
    const std::vector<Run> uncovered = next != nullptr ? outside_of(*next) : std::vector<Run>{};
    long long clean_row = -1;  // the next matching's input row last found free of missing values
    long long dirty_row = -1;  // ... and the one last found with one
    const auto overwritten = [&](std::size_t j) {
        if (next == nullptr || next->row_[j] < 0) return false;
        const long long r = next->row_[j];
        if (r != clean_row && r != dirty_row) (next->reads_missing(next_GRID + r) ? dirty_row : clean_row) = r;
        return r == clean_row;
    };
    // Consecutive output rows that read the same input row form a group. When
    // the input row holds no missing value over the columns written, every row
    // of the group equals its gather there: gathered once, then copied (with
    // streaming stores into a large layer). Otherwise each row keeps what it
    // held where the value is missing, and is gathered in place.
    std::vector<float> gathered(ncols_);
    for (std::size_t j = 0; j < nrows_;) {
        const long long r = row_[j];
        std::size_t end = j + 1;
        while (end < nrows_ && row_[end] == r) ++end;
        bool whole = false;  // some row of the group is written over all its inside columns
        for (std::size_t m = j; m < end && !whole; ++m) whole = !overwritten(m);
        if (r < 0 || (!whole && uncovered.empty())) {
            j = end;
            continue;
        }
        const float* src = GRID + r;
        const bool missing = whole ? gather_all(src, gathered.data()) : gather_runs(src, gathered.data(), uncovered);
        for (std::size_t m = j; m < end; ++m) {
            const std::vector<Run>& runs = overwritten(m) ? uncovered : runs_;
            float* dst = layer + m * ncols_;
            Owner* const own = Track ? owner + m * ncols_ : nullptr;
            if (missing) {
                gather_row<Track>(src, dst, own, k, runs);
                continue;
            }
            for (const Run& run : runs) {
                if (stream_)
                    stream_copy(dst + run.begin, gathered.data() + run.begin, run.end - run.begin);
                else
                    std::memcpy(dst + run.begin, gathered.data() + run.begin, (run.end - run.begin) * sizeof(float));
                if constexpr (Track) std::fill(own + run.begin, own + run.end, k);
            }
        }
        j = end;
    }
    if (stream_) end_streaming();
}

void GridMatch::apply(const float* GRID, float* layer) const {
    apply_rows<false>(GRID, layer, nullptr, 0, nullptr, nullptr);
}

void GridMatch::apply(const float* GRID, float* layer, Owner* owner, Owner k) const {
    apply_before(GRID, layer, owner, k, nullptr, nullptr);
}

void GridMatch::apply_before(const float* GRID, float* layer, Owner* owner, Owner k, const GridMatch* next,
                             const float* next_GRID) const {
    if (owner == nullptr)
        apply_rows<false>(GRID, layer, nullptr, 0, next, next_GRID);
    else
        apply_rows<true>(GRID, layer, owner, k, next, next_GRID);
}

bool GridMatch::covers_any() const {
    if (runs_.empty()) return false;
    return std::any_of(row_.begin(), row_.end(), [](long long r) { return r >= 0; });
}

void match_grid(const OutputGrid& out, const InputGrid& in, float MESH, const float* GRID, float* layer) {
    GridMatch(out, in, MESH).apply(GRID, layer);
}

}  // namespace pondra
