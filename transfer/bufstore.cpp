// The buffer store of buffered in-memory files: BUFCRE3, BUFPUT3, BUFPUT3I,
// BUFPUT3D, BUFGET3, BUFGET3I, BUFGET3D and BUFDEL3.
#include "transfer/bufstore.hpp"

#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"

namespace orvex::detail {

namespace {

// One variable's memory: `halves` runs of `half_elems` elements of `width` bytes.
struct Block {
    std::unique_ptr<std::byte[]> data;
    std::size_t width = 0;
    std::size_t half_elems = 0;
    int halves = 0;

    std::size_t bytes() const { return width * half_elems * static_cast<std::size_t>(halves); }
};

// The blocks of one file number, variable 0..MXVARS3: a row of the store.
// The row of file number f is owned by table slot f, so that freeing the slot
// frees its blocks; file number 0 has no slot, and the store keeps its row.
struct FileBlocks final : KindState {
    std::array<Block, MXVARS3 + 1> blocks;
};
std::unique_ptr<KindState> row_zero;

bool valid_cell(int fid, int vid) { return fid >= 0 && fid <= MXFILE3 && vid >= 0 && vid <= MXVARS3; }

std::unique_ptr<KindState>& owner(int fid) { return fid == 0 ? row_zero : slot(fid).state; }

FileBlocks* row_of(int fid) { return dynamic_cast<FileBlocks*>(owner(fid).get()); }

// The block of (fid, vid), or nullptr when the cell is out of range or empty.
Block* find_block(int fid, int vid) {
    if (!valid_cell(fid, vid)) return nullptr;
    FileBlocks* row = row_of(fid);
    if (row == nullptr) return nullptr;
    Block& b = row->blocks[static_cast<std::size_t>(vid)];
    return b.data ? &b : nullptr;
}

// Allocates a zero-filled block for (fid, vid); false when the cell is out of
// range, the size is negative or too large, or the memory cannot be had.
bool allocate(int fid, int vid, long long half_elems, int halves, std::size_t width) {
    if (!valid_cell(fid, vid) || half_elems < 0) return false;
    constexpr long long MAX_BYTES = 1LL << 40;  // far beyond any grid; keeps the products in range
    if (half_elems > MAX_BYTES / static_cast<long long>(width * 2)) return false;
    try {
        // A slot that keeps another kind's state has no room for blocks.
        std::unique_ptr<KindState>& held = owner(fid);
        if (!held) held = std::make_unique<FileBlocks>();
        FileBlocks* row = row_of(fid);
        if (row == nullptr) return false;
        Block b;
        b.width = width;
        b.half_elems = static_cast<std::size_t>(half_elems);
        b.halves = halves;
        // At least one byte, so that an empty variable still counts as allocated.
        b.data = std::make_unique<std::byte[]>(b.bytes() > 0 ? b.bytes() : 1);
        row->blocks[static_cast<std::size_t>(vid)] = std::move(b);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void release(int fid, int vid) {
    if (Block* b = find_block(fid, vid)) *b = Block{};
}

template <class T>
bool put(const char* caller, int fid, int vid, int size, int half, int tstep, const T* src) {
    if (find_block(fid, vid) == nullptr && !allocate(fid, vid, size, tstep != 0 ? 2 : 1, sizeof(T))) {
        QVMESG(std::string("Error allocating internal buffer for ") + caller);
        return false;
    }
    Block& b = *find_block(fid, vid);
    if (b.width != sizeof(T) || half < 0 || half >= b.halves || size < 0 ||
        static_cast<std::size_t>(size) > b.half_elems) {
        QVMESG(std::string("Request does not fit the internal buffer in ") + caller);
        return false;
    }
    if (size > 0)
        std::memcpy(b.data.get() + static_cast<std::size_t>(half) * b.half_elems * b.width, src,
                    static_cast<std::size_t>(size) * sizeof(T));
    return true;
}

template <class T>
bool get(int fid, int vid, int layer, int nlays, int nvals, int half, T* dst) {
    const Block* b = find_block(fid, vid);
    if (b == nullptr) {
        QVMESG("BUFFERED file not yet allocated");
        return false;
    }
    if (b->width != sizeof(T) || half < 0 || half >= b->halves || nlays < 0 || nvals < 0 || layer > nlays)
        return false;
    const std::size_t per_layer = static_cast<std::size_t>(nvals);
    const std::size_t first = layer > 0 ? static_cast<std::size_t>(layer - 1) * per_layer : 0;
    const std::size_t count = layer > 0 ? per_layer : per_layer * static_cast<std::size_t>(nlays);
    if (first + count > b->half_elems) return false;
    if (count > 0)
        std::memcpy(dst, b->data.get() + (static_cast<std::size_t>(half) * b->half_elems + first) * b->width,
                    count * sizeof(T));
    return true;
}

}  // namespace

bool BUFCRE3(int fid, int nvars, int nlays, int nvals, std::span<const int> vtypes, int tstep) {
    if (find_block(fid, 1) != nullptr) return true;
    const long long half = static_cast<long long>(nvals) * nlays;
    const int halves = tstep != 0 ? 2 : 1;
    for (int v = 1; v <= nvars; ++v) {
        const std::size_t i = static_cast<std::size_t>(v - 1);
        const int vtype = i < vtypes.size() ? vtypes[i] : QVREAL;
        if (!allocate(fid, v, half, halves, vtype == QVDBLE ? 8 : 4)) {
            for (int u = 1; u < v; ++u) release(fid, u);
            QVMESG("Error allocating internal buffer for BUFCRE3()");
            return false;
        }
    }
    return true;
}

bool BUFPUT3(int fid, int vid, int size, int half, int tstep, const float* src) {
    return put("BUFPUT3()", fid, vid, size, half, tstep, src);
}

bool BUFPUT3I(int fid, int vid, int size, int half, int tstep, const int* src) {
    return put("BUFPUT3I()", fid, vid, size, half, tstep, src);
}

bool BUFPUT3D(int fid, int vid, int size, int half, int tstep, const double* src) {
    return put("BUFPUT3D()", fid, vid, size, half, tstep, src);
}

bool BUFGET3(int fid, int vid, int layer, int nlays, int nvals, int half, float* dst) {
    return get(fid, vid, layer, nlays, nvals, half, dst);
}

bool BUFGET3I(int fid, int vid, int layer, int nlays, int nvals, int half, int* dst) {
    return get(fid, vid, layer, nlays, nvals, half, dst);
}

bool BUFGET3D(int fid, int vid, int layer, int nlays, int nvals, int half, double* dst) {
    return get(fid, vid, layer, nlays, nvals, half, dst);
}

void BUFDEL3(int fid) {
    if (fid < 0 || fid > MXFILE3) return;
    if (row_of(fid) != nullptr) owner(fid).reset();
}

std::size_t buffer_bytes(int fid) {
    if (fid < 0 || fid > MXFILE3) return 0;
    const FileBlocks* row = row_of(fid);
    if (row == nullptr) return 0;
    std::size_t n = 0;
    for (const Block& b : row->blocks)
        if (b.data) n += b.bytes();
    return n;
}

}  // namespace orvex::detail
