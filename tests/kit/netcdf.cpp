#include "tests/kit/netcdf.hpp"

#include <netcdf.h>

namespace kit {

NcFile::NcFile(const std::filesystem::path& p, bool writable) {
    status = nc_open(p.c_str(), writable ? NC_WRITE : NC_NOWRITE, &id);
}

NcFile::~NcFile() {
    if (status == NC_NOERR) nc_close(id);
}

int NcFile::varid(const std::string& name) const {
    int v = -1;
    if (nc_inq_varid(id, name.c_str(), &v) != NC_NOERR) return -1;
    return v;
}

long NcFile::dim_len(const std::string& name) const {
    int dimid = -1, unlimited = -1;
    std::size_t len = 0;
    if (nc_inq_dimid(id, name.c_str(), &dimid) != NC_NOERR || nc_inq_dimlen(id, dimid, &len) != NC_NOERR) return -1;
    nc_inq_unlimdim(id, &unlimited);
    return dimid == unlimited ? -2 : static_cast<long>(len);
}

long NcFile::records() const {
    int unlimited = -1;
    std::size_t len = 0;
    if (nc_inq_unlimdim(id, &unlimited) != NC_NOERR || unlimited < 0 || nc_inq_dimlen(id, unlimited, &len) != NC_NOERR)
        return -1;
    return static_cast<long>(len);
}

long NcFile::att_len(const std::string& att, const std::string& var) const {
    std::size_t len = 0;
    const int v = var.empty() ? NC_GLOBAL : varid(var);
    return nc_inq_attlen(id, v, att.c_str(), &len) == NC_NOERR ? static_cast<long>(len) : -1;
}

int NcFile::int_att(const std::string& att, int missing) const {
    int x = missing;
    nc_get_att_int(id, NC_GLOBAL, att.c_str(), &x);
    return x;
}

double NcFile::double_att(const std::string& att) const {
    double x = -1;
    nc_get_att_double(id, NC_GLOBAL, att.c_str(), &x);
    return x;
}

std::string NcFile::text_att(const std::string& var, const std::string& att) const {
    const int v = var.empty() ? NC_GLOBAL : varid(var);
    std::size_t len = 0;
    if (nc_inq_attlen(id, v, att.c_str(), &len) != NC_NOERR) return "<missing>";
    std::string s(len, '\0');
    nc_get_att_text(id, v, att.c_str(), s.data());
    return s;
}

std::size_t NcFile::values_of(int v) const {
    int ndims = 0;
    int dims[NC_MAX_VAR_DIMS];
    if (nc_inq_varndims(id, v, &ndims) != NC_NOERR || nc_inq_vardimid(id, v, dims) != NC_NOERR) return 0;
    std::size_t n = 1;
    for (int d = 0; d < ndims; ++d) {
        std::size_t len = 0;
        nc_inq_dimlen(id, dims[d], &len);
        n *= len;
    }
    return n;
}

std::vector<float> NcFile::floats(const std::string& name) const {
    const int v = varid(name);
    std::vector<float> out(values_of(v));
    if (!out.empty() && nc_get_var_float(id, v, out.data()) != NC_NOERR) out.clear();
    return out;
}

std::vector<int> NcFile::ints(const std::string& name) const {
    const int v = varid(name);
    std::vector<int> out(values_of(v));
    if (!out.empty() && nc_get_var_int(id, v, out.data()) != NC_NOERR) out.clear();
    return out;
}

std::vector<int> NcFile::first_flags() const {
    const int v = varid("TFLAG");
    int dims[3] = {0, 0, 0};
    nc_inq_vardimid(id, v, dims);
    std::size_t nvar = 0;
    nc_inq_dimlen(id, dims[1], &nvar);
    const std::size_t start[3] = {0, 0, 0}, count[3] = {1, nvar, 2};
    std::vector<int> out(nvar * 2, -1);
    nc_get_vara_int(id, v, start, count, out.data());
    return out;
}

int put_int_att(int ncid, const std::string& name, int value) {
    return nc_put_att_int(ncid, NC_GLOBAL, name.c_str(), NC_INT, 1, &value);
}

int put_text_att(int ncid, int varid, const std::string& name, const std::string& text) {
    return nc_put_att_text(ncid, varid, name.c_str(), text.size(), text.data());
}

int nc_edit(const std::string& path, const std::function<int(int ncid)>& edit) {
    int ncid = -1;
    int status = nc_open(path.c_str(), NC_WRITE, &ncid);
    if (status != NC_NOERR) return status;
    status = nc_redef(ncid);
    if (status == NC_NOERR) status = edit(ncid);
    const int closed = nc_close(ncid);
    return status != NC_NOERR ? status : closed;
}

}  // namespace kit
