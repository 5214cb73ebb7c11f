// The one place where the movers call netCDF's hyperslab transfers.
#include <netcdf.h>

#include <array>

#include "orvex/parms3.hpp"
#include "support/format.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

namespace {

using Vector = std::array<std::size_t, Hyperslab::MAXDIMS>;

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

std::string diag_number(long long v) {
    std::string text = fmt_I(v, 6);
    if (text.front() == '*') {
        text = std::to_string(v);
        text.insert(text.begin(), ' ');
    }
    return text;
}

std::string diag_vector(const std::array<int, Hyperslab::MAXDIMS>& v) {
    std::string text;
    for (const int x : v) text += diag_number(x);
    return text;
}

int words_per_element(int vtype) { return vtype == QVDBLE ? 2 : 1; }

int get_slab(int ncid, int varid, const Hyperslab& slab, int vtype, void* mem) {
    Vector start{}, count{};
    const int status = to_netcdf(ncid, varid, slab, start, count);
    if (status != NC_NOERR) return status;
    switch (vtype) {
        case QVDBLE: return nc_get_vara_double(ncid, varid, start.data(), count.data(), static_cast<double*>(mem));
        case QVREAL: return nc_get_vara_float(ncid, varid, start.data(), count.data(), static_cast<float*>(mem));
        default: return nc_get_vara_int(ncid, varid, start.data(), count.data(), static_cast<int*>(mem));
    }
}

int put_slab(int ncid, int varid, const Hyperslab& slab, int vtype, const void* mem) {
    Vector start{}, count{};
    const int status = to_netcdf(ncid, varid, slab, start, count);
    if (status != NC_NOERR) return status;
    switch (vtype) {
        case QVDBLE:
            return nc_put_vara_double(ncid, varid, start.data(), count.data(), static_cast<const double*>(mem));
        case QVREAL:
            return nc_put_vara_float(ncid, varid, start.data(), count.data(), static_cast<const float*>(mem));
        default: return nc_put_vara_int(ncid, varid, start.data(), count.data(), static_cast<const int*>(mem));
    }
}

}  // namespace orvex::detail
