// The PnetCDF calls behind the file layer's netCDF wrapper, with netCDF's
// signatures: the header of an "MPI:" file is written and read by the same
// code as a serial file's, through these.
#include <pnetcdf.h>

#include <array>

#include "parallel/run.hpp"

namespace orvex::parallel::detail {

namespace {

int inq_att(int ncid, int varid, const char* name, nc_type* type, std::size_t* len) {
    MPI_Offset n = 0;
    const int status = ncmpi_inq_att(ncid, varid, name, type, &n);
    if (len != nullptr) *len = static_cast<std::size_t>(n);
    return status;
}

int put_att_text(int ncid, int varid, const char* name, std::size_t len, const char* text) {
    return ncmpi_put_att_text(ncid, varid, name, static_cast<MPI_Offset>(len), text);
}

template <class T, auto Put>
int put_att(int ncid, int varid, const char* name, nc_type type, std::size_t len, const T* values) {
    return Put(ncid, varid, name, type, static_cast<MPI_Offset>(len), values);
}

int def_dim(int ncid, const char* name, std::size_t len, int* dimid) {
    return ncmpi_def_dim(ncid, name, static_cast<MPI_Offset>(len), dimid);
}

int inq_dimlen(int ncid, int dimid, std::size_t* len) {
    MPI_Offset n = 0;
    const int status = ncmpi_inq_dimlen(ncid, dimid, &n);
    if (len != nullptr) *len = static_cast<std::size_t>(n);
    return status;
}

// Collective: every rank writes the same values.
int put_vara_int(int ncid, int varid, const std::size_t* start, const std::size_t* count, const int* values) {
    int ndims = 0;
    int status = ncmpi_inq_varndims(ncid, varid, &ndims);
    if (status != NC_NOERR) return status;
    std::array<MPI_Offset, NC_MAX_VAR_DIMS> s{}, c{};
    for (int i = 0; i < ndims && i < NC_MAX_VAR_DIMS; ++i) {
        s[static_cast<std::size_t>(i)] = static_cast<MPI_Offset>(start[i]);
        c[static_cast<std::size_t>(i)] = static_cast<MPI_Offset>(count[i]);
    }
    return ncmpi_put_vara_int_all(ncid, varid, s.data(), c.data(), values);
}

}  // namespace

const orvex::detail::NcCalls& pnetcdf_calls() {
    static const orvex::detail::NcCalls calls{
        inq_att,          ncmpi_get_att_int,  ncmpi_get_att_double, ncmpi_get_att_float,
        ncmpi_get_att_text, ncmpi_inq_attname, put_att_text,        put_att<int, ncmpi_put_att_int>,
        put_att<double, ncmpi_put_att_double>, put_att<float, ncmpi_put_att_float>,
        def_dim,          ncmpi_def_var,      ncmpi_inq_dimid,      inq_dimlen,
        ncmpi_inq_varid,  ncmpi_inq_vartype,  put_vara_int,         ncmpi_redef,
        ncmpi_enddef,     ncmpi_sync,         ncmpi_close,          ncmpi_abort};
    return calls;
}

}  // namespace orvex::parallel::detail
