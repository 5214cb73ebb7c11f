// The one place where the layer calls netCDF's hyperslab transfers.
#include "gridfile/hyperslab.hpp"

#include "orvex/parms3.hpp"

namespace orvex::detail {

namespace {

using Vector = std::array<std::size_t, Hyperslab::MAXDIMS>;

// The typed transfers, picked by the memory's element type.
int get(int ncid, int varid, const std::size_t* start, const std::size_t* count, int* mem) {
    return nc_get_vara_int(ncid, varid, start, count, mem);
}
int get(int ncid, int varid, const std::size_t* start, const std::size_t* count, float* mem) {
    return nc_get_vara_float(ncid, varid, start, count, mem);
}
int get(int ncid, int varid, const std::size_t* start, const std::size_t* count, double* mem) {
    return nc_get_vara_double(ncid, varid, start, count, mem);
}
int get(int ncid, int varid, const std::size_t* start, const std::size_t* count, char* mem) {
    return nc_get_vara_text(ncid, varid, start, count, mem);
}
int put(int ncid, int varid, const std::size_t* start, const std::size_t* count, const int* mem) {
    return nc_put_vara_int(ncid, varid, start, count, mem);
}
int put(int ncid, int varid, const std::size_t* start, const std::size_t* count, const float* mem) {
    return nc_put_vara_float(ncid, varid, start, count, mem);
}
int put(int ncid, int varid, const std::size_t* start, const std::size_t* count, const double* mem) {
    return nc_put_vara_double(ncid, varid, start, count, mem);
}
int put(int ncid, int varid, const std::size_t* start, const std::size_t* count, const char* mem) {
    return nc_put_vara_text(ncid, varid, start, count, mem);
}

// netCDF's order (slowest first, 0-based) of a hyperslab, after checking that
// the variable has exactly the slab's rank.
int to_netcdf(int ncid, int varid, const Hyperslab& slab, Vector& start, Vector& count) {
    int ndims = 0;
    const int status = nc_inq_varndims(ncid, varid, &ndims);
    if (status != NC_NOERR) return status;
    if (ndims != slab.rank || slab.rank > Hyperslab::MAXDIMS) return NC_EINVAL;
    for (int i = 0; i < slab.rank; ++i) {
        const auto k = static_cast<std::size_t>(slab.rank - 1 - i);
        const auto j = static_cast<std::size_t>(i);
        // A start below 1 wraps to a huge index, which netCDF refuses.
        start[k] = static_cast<std::size_t>(static_cast<long long>(slab.dims[j]) - 1);
        count[k] = static_cast<std::size_t>(slab.delts[j]);
    }
    return NC_NOERR;
}

}  // namespace

int get_slab(int ncid, int varid, const Hyperslab& slab, int vtype, void* mem) {
    Vector start{}, count{};
    const int status = to_netcdf(ncid, varid, slab, start, count);
    if (status != NC_NOERR) return status;
    switch (vtype) {
        case QVDBLE: return get(ncid, varid, start.data(), count.data(), static_cast<double*>(mem));
        case QVREAL: return get(ncid, varid, start.data(), count.data(), static_cast<float*>(mem));
        default: return get(ncid, varid, start.data(), count.data(), static_cast<int*>(mem));
    }
}

int put_slab(int ncid, int varid, const Hyperslab& slab, int vtype, const void* mem) {
    Vector start{}, count{};
    const int status = to_netcdf(ncid, varid, slab, start, count);
    if (status != NC_NOERR) return status;
    switch (vtype) {
        case QVDBLE: return put(ncid, varid, start.data(), count.data(), static_cast<const double*>(mem));
        case QVREAL: return put(ncid, varid, start.data(), count.data(), static_cast<const float*>(mem));
        default: return put(ncid, varid, start.data(), count.data(), static_cast<const int*>(mem));
    }
}

template <class T>
int get_values(int ncid, int varid, const NcSlab& slab, T* mem) {
    return get(ncid, varid, slab.start.data(), slab.count.data(), mem);
}

template <class T>
int put_values(int ncid, int varid, const NcSlab& slab, const T* mem) {
    return put(ncid, varid, slab.start.data(), slab.count.data(), mem);
}

template int get_values(int, int, const NcSlab&, int*);
template int get_values(int, int, const NcSlab&, float*);
template int get_values(int, int, const NcSlab&, double*);
template int get_values(int, int, const NcSlab&, char*);
template int put_values(int, int, const NcSlab&, const int*);
template int put_values(int, int, const NcSlab&, const float*);
template int put_values(int, int, const NcSlab&, const double*);
template int put_values(int, int, const NcSlab&, const char*);

}  // namespace orvex::detail
