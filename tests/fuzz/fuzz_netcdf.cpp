// Fuzz target: opening a netCDF file whose header was tampered with.
//
// At start-up the layer writes one small classic-format file of every type
// and time-axis kind (the base files). An input is a recipe: its first byte
// picks a base file, and every following group of eight bytes is one edit of
// that file's schema: an attribute's type, length, values or name, a
// dimension's length, a variable's type, dimensions or name, a variable or
// attribute removed, fewer records kept. The edited schema is written through
// netCDF into a scratch file (the data of every variable whose shape and type
// were left alone is copied), which is then taken through a reader's pass
// read-only and read/write. So the layer meets hostile headers that netCDF
// itself accepts, and the fuzzer spends no time on netCDF's own parser.
//
// Edit: op, a, b, c, then a 32-bit little-endian value v.
#include <netcdf.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/seed_files.hpp"

using orvex_fuzz::require;

namespace {

const char* const FILE_NAME = "OFZNC";

// Largest variable the edits may give a file, per record, in bytes.
constexpr std::size_t MAX_VAR_BYTES = std::size_t{16} << 20;

struct Att {
    std::string name;
    nc_type type = NC_CHAR;
    std::vector<unsigned char> raw;  // len values of the type, native order
    std::size_t len = 0;
};

struct Dim {
    std::string name;
    std::size_t len = 0;
    bool unlimited = false;
};

struct Var {
    std::string name;
    nc_type type = NC_INT;
    std::vector<int> dims;
    std::vector<Att> atts;
    int source = -1;  // variable id in the base file whose data is copied; -1: none
};

struct Schema {
    std::string path;  // the base file
    int format = NC_FORMAT_CLASSIC;
    std::size_t numrecs = 0;
    std::vector<Dim> dims;
    std::vector<Att> gatts;
    std::vector<Var> vars;
    std::size_t keep_records = 0;  // records copied from the base
};

std::vector<Schema> g_bases;
std::string g_path;

std::size_t type_size(nc_type t) {
    switch (t) {
        case NC_BYTE:
        case NC_CHAR: return 1;
        case NC_SHORT: return 2;
        case NC_INT:
        case NC_FLOAT: return 4;
        default: return 8;
    }
}

void load_atts(int ncid, int varid, int natts, std::vector<Att>& out) {
    for (int a = 0; a < natts; ++a) {
        char name[NC_MAX_NAME + 1] = {};
        Att att;
        nc_inq_attname(ncid, varid, a, name);
        att.name = name;
        nc_inq_att(ncid, varid, name, &att.type, &att.len);
        att.raw.resize(att.len * type_size(att.type));
        nc_get_att(ncid, varid, name, att.raw.data());
        out.push_back(att);
    }
}

Schema load(const std::string& path) {
    Schema s;
    s.path = path;
    int ncid = -1;
    require(nc_open(path.c_str(), NC_NOWRITE, &ncid) == NC_NOERR, "cannot open a base file");
    int ndims = 0, nvars = 0, natts = 0, unlim = -1;
    nc_inq(ncid, &ndims, &nvars, &natts, &unlim);
    nc_inq_format(ncid, &s.format);
    for (int d = 0; d < ndims; ++d) {
        char name[NC_MAX_NAME + 1] = {};
        Dim dim;
        nc_inq_dim(ncid, d, name, &dim.len);
        dim.name = name;
        dim.unlimited = d == unlim;
        if (dim.unlimited) s.numrecs = dim.len;
        s.dims.push_back(dim);
    }
    load_atts(ncid, NC_GLOBAL, natts, s.gatts);
    for (int v = 0; v < nvars; ++v) {
        char name[NC_MAX_NAME + 1] = {};
        int vdims[NC_MAX_VAR_DIMS] = {};
        int nd = 0, na = 0;
        Var var;
        nc_inq_var(ncid, v, name, &var.type, &nd, vdims, &na);
        var.name = name;
        var.dims.assign(vdims, vdims + nd);
        load_atts(ncid, v, na, var.atts);
        var.source = v;
        s.vars.push_back(var);
    }
    s.keep_records = s.numrecs;
    nc_close(ncid);
    return s;
}

std::int32_t le32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                                     (std::uint32_t{p[3]} << 24));
}

// Element i of an attribute set to value, in the attribute's type.
void set_element(Att& a, std::size_t i, std::int32_t value) {
    if (a.len == 0) return;
    i %= a.len;
    unsigned char* p = a.raw.data() + i * type_size(a.type);
    switch (a.type) {
        case NC_BYTE:
        case NC_CHAR: *p = static_cast<unsigned char>(value); break;
        case NC_SHORT: {
            const auto x = static_cast<std::int16_t>(value);
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case NC_INT: std::memcpy(p, &value, sizeof value); break;
        case NC_FLOAT: {
            const float x = static_cast<float>(value) / 4.0f;
            std::memcpy(p, &x, sizeof x);
            break;
        }
        default: {
            const double x = static_cast<double>(value) / 4.0;
            std::memcpy(p, &x, sizeof x);
            break;
        }
    }
}

// The attribute with a new type and length: text keeps its characters (cut
// or padded with blanks), numbers count up from value.
void retype(Att& a, nc_type type, std::size_t len, std::int32_t value) {
    const std::vector<unsigned char> old = a.type == NC_CHAR ? a.raw : std::vector<unsigned char>();
    a.type = type;
    a.len = len;
    a.raw.assign(len * type_size(type), 0);
    for (std::size_t i = 0; i < len; ++i) {
        const std::uint32_t next = static_cast<std::uint32_t>(value) + static_cast<std::uint32_t>(i);  // wraps
        if (type == NC_CHAR) a.raw[i] = i < old.size() ? old[i] : ' ';
        else set_element(a, i, static_cast<std::int32_t>(next));
    }
}

void rename(std::string& name, std::uint8_t at, std::uint8_t c) {
    static const char chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ_-0123456789";
    if (name.empty()) return;
    const std::size_t i = at % (name.size() + 1);
    const char ch = chars[c % (sizeof chars - 1)];
    if (i == name.size()) name += ch;
    else name[i] = ch;
    if (name[0] >= '0' && name[0] <= '9') name[0] = 'N';
}

void drop_data_using(Schema& s, int dim) {
    for (Var& v : s.vars)
        if (std::find(v.dims.begin(), v.dims.end(), dim) != v.dims.end()) v.source = -1;
}

void edit(Schema& s, const std::uint8_t* e) {
    const std::uint8_t a = e[1], b = e[2], c = e[3];
    const std::int32_t v = le32(e + 4);
    const auto pick = [](std::size_t n, std::uint8_t k) { return static_cast<std::size_t>(k) % n; };
    const auto new_type = [](std::uint8_t k) { return static_cast<nc_type>(1 + k % 6); };
    switch (e[0] % 13) {
        case 0:  // a global attribute's type and length
            if (!s.gatts.empty()) retype(s.gatts[pick(s.gatts.size(), a)], new_type(c), b % 100, v);
            break;
        case 1:  // one value of a global attribute
            if (!s.gatts.empty()) set_element(s.gatts[pick(s.gatts.size(), a)], b, v);
            break;
        case 2:  // a global attribute removed
            if (!s.gatts.empty()) s.gatts.erase(s.gatts.begin() + static_cast<std::ptrdiff_t>(pick(s.gatts.size(), a)));
            break;
        case 3:  // a variable attribute's type and length
        case 4:  // one value of a variable attribute
        case 5: {  // a variable attribute removed
            if (s.vars.empty()) break;
            Var& var = s.vars[pick(s.vars.size(), a)];
            if (var.atts.empty()) break;
            const std::size_t k = pick(var.atts.size(), b);
            if (e[0] % 13 == 3) retype(var.atts[k], new_type(c), static_cast<std::size_t>(v) & 0x7f, v >> 8);
            else if (e[0] % 13 == 4) set_element(var.atts[k], c, v);
            else var.atts.erase(var.atts.begin() + static_cast<std::ptrdiff_t>(k));
            break;
        }
        case 6: {  // a dimension's length
            if (s.dims.empty()) break;
            const std::size_t d = pick(s.dims.size(), a);
            const std::size_t cap = std::size_t{1} << (c % 21);
            s.dims[d].unlimited = false;
            s.dims[d].len = 1 + static_cast<std::size_t>(static_cast<std::uint32_t>(v)) % cap;
            drop_data_using(s, static_cast<int>(d));
            break;
        }
        case 7:  // a variable's type
            if (!s.vars.empty()) {
                Var& var = s.vars[pick(s.vars.size(), a)];
                var.type = new_type(c);
                var.source = -1;
            }
            break;
        case 8: {  // a variable's dimensions: one replaced, the last dropped, or one added
            if (s.vars.empty() || s.dims.empty()) break;
            Var& var = s.vars[pick(s.vars.size(), a)];
            const int d = static_cast<int>(pick(s.dims.size(), c));
            if ((b & 0xc0) == 0x40 && !var.dims.empty()) var.dims.pop_back();
            else if ((b & 0xc0) == 0x80 && var.dims.size() < 6) var.dims.push_back(d);
            else if (!var.dims.empty()) var.dims[pick(var.dims.size(), b)] = d;
            var.source = -1;
            break;
        }
        case 9:  // a variable removed
            if (!s.vars.empty()) s.vars.erase(s.vars.begin() + static_cast<std::ptrdiff_t>(pick(s.vars.size(), a)));
            break;
        case 10:  // a variable renamed
            if (!s.vars.empty()) rename(s.vars[pick(s.vars.size(), a)].name, b, c);
            break;
        case 11:  // a global attribute renamed
            if (!s.gatts.empty()) rename(s.gatts[pick(s.gatts.size(), a)].name, b, c);
            break;
        default:  // fewer records
            s.keep_records = std::min<std::size_t>(s.keep_records, a % 4);
            break;
    }
}

// Bytes of one record (or of the whole variable when it has no record
// dimension), or 0 when that is beyond the limit.
std::size_t var_bytes(const Schema& s, const Var& v) {
    std::size_t n = type_size(v.type);
    for (const int d : v.dims) {
        const Dim& dim = s.dims[static_cast<std::size_t>(d)];
        if (dim.unlimited) continue;
        if (dim.len > MAX_VAR_BYTES / n) return 0;
        n *= dim.len;
    }
    return n;
}

// Writes the schema to path and copies the data left alone; false when
// netCDF refuses the schema or a variable would be too large.
bool write(const Schema& s, const std::string& path) {
    for (const Var& v : s.vars)
        if (var_bytes(s, v) == 0) return false;
    int ncid = -1;
    const int mode = NC_CLOBBER | (s.format == NC_FORMAT_64BIT_OFFSET ? NC_64BIT_OFFSET : 0);
    if (nc_create(path.c_str(), mode, &ncid) != NC_NOERR) return false;
    bool ok = true;
    std::size_t fixed = 0;
    for (const Var& v : s.vars) fixed += var_bytes(s, v);
    int old_fill = 0;
    if (fixed > (std::size_t{1} << 20)) nc_set_fill(ncid, NC_NOFILL, &old_fill);
    std::vector<int> dimids;
    for (const Dim& d : s.dims) {
        int id = -1;
        ok = ok && nc_def_dim(ncid, d.name.c_str(), d.unlimited ? NC_UNLIMITED : d.len, &id) == NC_NOERR;
        dimids.push_back(id);
    }
    for (const Att& a : s.gatts) ok = ok && nc_put_att(ncid, NC_GLOBAL, a.name.c_str(), a.type, a.len, a.raw.data()) == NC_NOERR;
    std::vector<int> varids;
    for (const Var& v : s.vars) {
        std::vector<int> ids;
        for (const int d : v.dims) ids.push_back(dimids[static_cast<std::size_t>(d)]);
        int id = -1;
        ok = ok && nc_def_var(ncid, v.name.c_str(), v.type, static_cast<int>(ids.size()), ids.data(), &id) == NC_NOERR;
        for (const Att& a : v.atts) ok = ok && nc_put_att(ncid, id, a.name.c_str(), a.type, a.len, a.raw.data()) == NC_NOERR;
        varids.push_back(id);
    }
    ok = ok && nc_enddef(ncid) == NC_NOERR;

    int base = -1;
    if (ok && nc_open(s.path.c_str(), NC_NOWRITE, &base) == NC_NOERR) {
        for (std::size_t k = 0; k < s.vars.size() && ok; ++k) {
            const Var& v = s.vars[k];
            if (v.source < 0) continue;
            std::vector<std::size_t> start(v.dims.size(), 0), count;
            std::size_t n = 1;
            for (const int d : v.dims) {
                const Dim& dim = s.dims[static_cast<std::size_t>(d)];
                count.push_back(dim.unlimited ? std::min(s.keep_records, s.numrecs) : dim.len);
                n *= count.back();
            }
            if (n == 0) continue;
            std::vector<unsigned char> data(n * type_size(v.type));
            if (nc_get_vara(base, v.source, start.data(), count.data(), data.data()) == NC_NOERR)
                ok = nc_put_vara(ncid, varids[k], start.data(), count.data(), data.data()) == NC_NOERR;
        }
        nc_close(base);
    }
    return nc_close(ncid) == NC_NOERR && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvex_fuzz::quiet_layer();
    for (const std::string& path : orvex_fuzz::write_bases(orvex_fuzz::scratch_dir(), false))
        g_bases.push_back(load(path));
    g_path = orvex_fuzz::scratch_path("input.nc");
    ::setenv(FILE_NAME, g_path.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 8 * 64 + 1) return 0;
    Schema s = g_bases[data[0] % g_bases.size()];
    for (std::size_t i = 1; i + 8 <= size; i += 8) edit(s, data + i);
    if (!write(s, g_path)) return 0;

    const int fds = orvex_fuzz::open_fds();
    const bool read_only = orvex_fuzz::open_pass(FILE_NAME, orvex::FSRDONLY3);
    const bool read_write = orvex_fuzz::open_pass(FILE_NAME, orvex::FSRDWR3);
    // A base file left as the layer wrote it opens both ways.
    if (size == 1) require(read_only && read_write, "an unedited base file does not open");
    orvex_fuzz::shut_and_check(fds);
    return 0;
}
