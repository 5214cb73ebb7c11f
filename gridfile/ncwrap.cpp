#include "gridfile/ncwrap.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"
#include "orvex/runtime.hpp"

namespace orvex::detail {

namespace {

// Type and length of an attribute that must be numeric and hold at least one value.
int numeric_len(const NcCalls& nc, int ncid, int varid, const char* name, std::size_t& len) {
    nc_type type = NC_NAT;
    int status = nc.inq_att(ncid, varid, name, &type, &len);
    if (status != NC_NOERR) return status;
    if (type == NC_CHAR) return NC_ECHAR;
    if (len == 0) return NC_EINVAL;
    return NC_NOERR;
}

// The whole numeric attribute as values of T.
template <class T, class Get>
int get_all(const NcCalls& nc, int ncid, int varid, const char* name, std::vector<T>& out, Get get) {
    std::size_t len = 0;
    int status = numeric_len(nc, ncid, varid, name, len);
    if (status != NC_NOERR) return status;
    out.assign(len, T{});
    return get(ncid, varid, name, out.data());
}

}  // namespace

const NcCalls& serial_calls() {
    static const NcCalls calls{nc_inq_att,     nc_get_att_int,  nc_get_att_double, nc_get_att_float, nc_get_att_text,
                               nc_inq_attname, nc_put_att_text, nc_put_att_int,    nc_put_att_double, nc_put_att_float,
                               nc_def_dim,     nc_def_var,      nc_inq_dimid,      nc_inq_dimlen,    nc_inq_varid,
                               nc_inq_vartype, nc_put_vara_int, nc_redef,          nc_enddef,        nc_sync,
                               nc_close,       nc_abort};
    return calls;
}

NcFile::NcFile(int ncid, std::string_view lname, int fid)
    : ncid_(ncid),
      lname_(lname),
      fid_(fid),
      calls_(fid >= 1 && fid <= MXFILE3 && slot(fid).calls != nullptr ? slot(fid).calls : &serial_calls()) {}

int create_dataset(const std::string& path, int mode, int& ncid) { return nc_create(path.c_str(), mode, &ncid); }

int open_dataset(const std::string& path, int mode, int& ncid) { return nc_open(path.c_str(), mode, &ncid); }

int NcFile::report(int status, std::string_view msg) const {
    if (status != NC_NOERR && !msg.empty()) QVABORT(lname_, fid_, status, msg);
    return status;
}

int NcFile::put_text(int varid, const char* name, std::string_view text, std::string_view msg) const {
    return report(calls_->put_att_text(ncid_, varid, name, text.size(), text.data()), msg);
}

int NcFile::put_int(int varid, const char* name, int value, std::string_view msg) const {
    return report(calls_->put_att_int(ncid_, varid, name, NC_INT, 1, &value), msg);
}

int NcFile::put_double(int varid, const char* name, double value, std::string_view msg) const {
    return report(calls_->put_att_double(ncid_, varid, name, NC_DOUBLE, 1, &value), msg);
}

int NcFile::put_floats(int varid, const char* name, std::span<const float> values, std::string_view msg) const {
    return report(calls_->put_att_float(ncid_, varid, name, NC_FLOAT, values.size(), values.data()), msg);
}

int NcFile::put_doubles(int varid, const char* name, std::span<const double> values, std::string_view msg) const {
    return report(calls_->put_att_double(ncid_, varid, name, NC_DOUBLE, values.size(), values.data()), msg);
}

int NcFile::put_number(int varid, const char* name, nc_type type, double value, std::string_view msg) const {
    return report(calls_->put_att_double(ncid_, varid, name, type, 1, &value), msg);
}

int NcFile::get_int(int varid, const char* name, int& value, std::string_view msg) const {
    std::vector<int> all;
    const int status = get_all(*calls_, ncid_, varid, name, all, calls_->get_att_int);
    if (status == NC_NOERR) value = all.front();
    return report(status, msg);
}

int NcFile::get_double(int varid, const char* name, double& value, std::string_view msg) const {
    std::vector<double> all;
    const int status = get_all(*calls_, ncid_, varid, name, all, calls_->get_att_double);
    if (status == NC_NOERR) value = all.front();
    return report(status, msg);
}

int NcFile::get_float(int varid, const char* name, float& value, std::string_view msg) const {
    std::vector<float> all;
    const int status = get_all(*calls_, ncid_, varid, name, all, calls_->get_att_float);
    if (status == NC_NOERR) value = all.front();
    return report(status, msg);
}

int NcFile::get_floats(int varid, const char* name, std::span<float> dest, std::size_t& count,
                       std::string_view msg) const {
    std::vector<float> all;
    const int status = get_all(*calls_, ncid_, varid, name, all, calls_->get_att_float);
    count = 0;
    if (status == NC_NOERR) {
        count = std::min(all.size(), dest.size());
        std::copy_n(all.begin(), count, dest.begin());
    }
    return report(status, msg);
}

int NcFile::get_text(int varid, const char* name, std::span<char> dest, std::string_view msg) const {
    nc_type type = NC_NAT;
    std::size_t len = 0;
    int status = calls_->inq_att(ncid_, varid, name, &type, &len);
    if (status == NC_NOERR && type != NC_CHAR) status = NC_ECHAR;
    if (status == NC_NOERR) {
        std::vector<char> all(len);
        status = calls_->get_att_text(ncid_, varid, name, all.data());
        if (status == NC_NOERR) {
            const std::size_t n = std::min(len, dest.size());
            std::copy_n(all.begin(), n, dest.begin());
            std::fill(dest.begin() + static_cast<std::ptrdiff_t>(n), dest.end(), ' ');
        }
    }
    return report(status, msg);
}

int NcFile::inq_attname(int varid, int attnum, std::span<char, NC_MAX_NAME + 1> name, std::string_view msg) const {
    return report(calls_->inq_attname(ncid_, varid, attnum, name.data()), msg);
}

int NcFile::def_dim(const char* name, std::size_t len, int& dimid, std::string_view msg) const {
    return report(calls_->def_dim(ncid_, name, len, &dimid), msg);
}

int NcFile::def_var(const char* name, nc_type type, std::span<const int> dims, int& varid,
                    std::string_view msg) const {
    return report(calls_->def_var(ncid_, name, type, static_cast<int>(dims.size()), dims.data(), &varid), msg);
}

int NcFile::inq_dimid(const char* name, int& dimid, std::string_view msg) const {
    return report(calls_->inq_dimid(ncid_, name, &dimid), msg);
}

int NcFile::inq_dimlen(int dimid, std::size_t& len, std::string_view msg) const {
    return report(calls_->inq_dimlen(ncid_, dimid, &len), msg);
}

int NcFile::inq_varid(const char* name, int& varid, std::string_view msg) const {
    return report(calls_->inq_varid(ncid_, name, &varid), msg);
}

int NcFile::inq_vartype(int varid, nc_type& type, std::string_view msg) const {
    return report(calls_->inq_vartype(ncid_, varid, &type), msg);
}

int NcFile::put_ints(int varid, std::span<const std::size_t> start, std::span<const std::size_t> count,
                     const int* values, std::string_view msg) const {
    return report(calls_->put_vara_int(ncid_, varid, start.data(), count.data(), values), msg);
}

// The CF copy's value writers and the netCDF-4 storage are the serial
// library's own calls: no other library keeps such a dataset.
int NcFile::put_values(int varid, std::span<const std::size_t> start, std::span<const std::size_t> count,
                       const void* values, std::string_view msg) const {
    if (calls_ != &serial_calls()) return report(NC_ENOTNC, msg);
    return report(nc_put_vara(ncid_, varid, start.data(), count.data(), values), msg);
}

int NcFile::put_doubles(int varid, std::span<const std::size_t> start, std::span<const std::size_t> count,
                        const double* values, std::string_view msg) const {
    if (calls_ != &serial_calls()) return report(NC_ENOTNC, msg);
    return report(nc_put_vara_double(ncid_, varid, start.data(), count.data(), values), msg);
}

int NcFile::def_var_storage(int varid, std::span<const std::size_t> chunks, int level, std::string_view msg) const {
    if (calls_ != &serial_calls()) return report(NC_ENOTNC, msg);
    int status = nc_def_var_chunking(ncid_, varid, NC_CHUNKED, chunks.data());
    if (status == NC_NOERR && level > 0) status = nc_def_var_deflate(ncid_, varid, 1, 1, level);
    return report(status, msg);
}

int NcFile::redef(std::string_view msg) const { return report(calls_->redef(ncid_), msg); }

int NcFile::enddef(std::string_view msg) const { return report(calls_->enddef(ncid_), msg); }

int NcFile::sync(std::string_view msg) const { return report(calls_->sync(ncid_), msg); }

int NcFile::close(std::string_view msg) const { return report(calls_->close(ncid_), msg); }

int NcFile::abandon() const { return calls_->abort(ncid_); }

std::string error_text(int status) { return nc_strerror(status); }

void DatasetGuard::undo(std::string_view msg) {
    if (handle_ != nc_.id()) return;
    if (undo_ == Undo::abandon)
        nc_.abandon();
    else
        nc_.close(msg);
    handle_ = IMISS3;
}

}  // namespace orvex::detail

namespace orvex {

std::string netcdf_version() {
    std::string text = nc_inq_libvers();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace orvex
