// The hyperslab mover: the one place where the layer moves values between a
// netCDF variable and memory (internal).
//
// Two ways to name a hyperslab:
// - Hyperslab, the way the record routines think of it: the file's dimensions
//   fastest-varying first, 1-based start indices, unused entries 0. get_slab
//   and put_slab turn it into netCDF's own order and hand netCDF vectors of
//   exactly the variable's rank.
// - NcSlab, netCDF's own order (slowest first, 0-based), for layouts that set
//   their leading entries themselves; the rest stay start 0, count 1.
#pragma once

#include <netcdf.h>

#include <array>
#include <cstddef>

namespace orvex::detail {

// Start and count of a hyperslab, fastest dimension first.
struct Hyperslab {
    static constexpr int MAXDIMS = 5;
    int rank = 0;                       // entries in use
    std::array<int, MAXDIMS> dims{};    // 1-based start indices
    std::array<int, MAXDIMS> delts{};   // counts

    // Appends the next slower dimension.
    void add(int start, int count) {
        dims[static_cast<std::size_t>(rank)] = start;
        delts[static_cast<std::size_t>(rank)] = count;
        ++rank;
    }
};

// Moves one hyperslab of netCDF variable varid between dataset ncid and
// memory, the memory holding elements of data type vtype (QVINT, QVREAL,
// QVDBLE; any other type travels as 32-bit integers). The variable must have
// exactly slab.rank dimensions, otherwise nothing is moved and NC_EINVAL is
// returned. Result: the netCDF status.
int get_slab(int ncid, int varid, const Hyperslab& slab, int vtype, void* mem);
int put_slab(int ncid, int varid, const Hyperslab& slab, int vtype, const void* mem);

// Start and count in netCDF's order, padded to the largest rank netCDF allows
// (start 0, count 1): a variable with more dimensions than the layout says
// moves no more values than the layout's count, never past the caller's memory.
struct NcSlab {
    std::array<std::size_t, NC_MAX_VAR_DIMS> start{};
    std::array<std::size_t, NC_MAX_VAR_DIMS> count;
    NcSlab() { count.fill(1); }
};

// Moves one NcSlab of variable varid between dataset ncid and memory whose
// element type T (int, float, double or char) picks the transfer; the netCDF
// status.
template <class T>
int get_values(int ncid, int varid, const NcSlab& slab, T* mem);
template <class T>
int put_values(int ncid, int varid, const NcSlab& slab, const T* mem);

}  // namespace orvex::detail
