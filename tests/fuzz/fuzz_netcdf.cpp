// Fuzz target: opening a netCDF file whose header was tampered with.
//
// At start-up the layer writes one small classic-format file of every type
// and time-axis kind (the base files); their schemas and data are kept in
// memory. An input is a recipe: its first byte picks a base file, and every
// following group of eight bytes is one edit.
//
// Edits 0-12 change the schema: an attribute's type, length, values or name,
// a dimension's length, a variable's type, dimensions or name, a variable or
// attribute removed, fewer records kept. Edit 13 picks the format the schema
// is written in (CDF-1, CDF-2 or CDF-5). The schema is written through netCDF
// into memory, with the data of every variable whose shape and type were left
// alone; so far the layer meets hostile headers that netCDF itself accepts.
//
// Edits 14 and 15 then change the written header's bytes, so that it lies
// about what its file holds: 14 sets one of its fields (the record count, a
// list tag or count, a name length, a dimension length, an attribute's type or
// value count, a variable's dimension count, dimension id, type, size or
// begin) to the edit's value, to the old value plus it, to an extreme or to
// the old value with one bit flipped; 15 writes a 32-bit word anywhere in the
// header.
//
// The bytes are written to one file in a RAM-backed directory (/dev/shm when
// there is one), reused by every input, and taken through a reader's pass
// read-only, then read/write when it opened and has no raw edits. Files
// written through netCDF are kept by their recipe, so that inputs that differ
// only in their raw edits or in bytes no edit reads cost no netCDF write; an
// input whose file is byte for byte one the layer has already been through is
// not taken through it again. Files the process writes are limited to 64 MiB,
// so that no input can fill the disk.
//
// Edit: op, a, b, c, then a 32-bit little-endian value v.
#include <fcntl.h>
#include <netcdf.h>
#include <netcdf_mem.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/seed_files.hpp"

using orvex_fuzz::require;

namespace {

const char* const FILE_NAME = "OFZNC";

// Largest data the edits may give a file, in bytes (a header may still claim
// any size: see the raw header edits).
constexpr std::size_t MAX_DATA_BYTES = std::size_t{1} << 20;

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
    bool copy = false;  // the base file's data is written
    std::shared_ptr<const std::vector<unsigned char>> data;  // the base file's data, all records
};

struct Schema {
    int format = NC_FORMAT_CLASSIC;
    std::size_t numrecs = 0;
    std::vector<Dim> dims;
    std::vector<Att> gatts;
    std::vector<Var> vars;
    std::size_t keep_records = 0;  // records copied from the base
};

std::vector<Schema> g_bases;
std::string g_path;  // the file of every input

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
        std::size_t n = type_size(var.type);
        for (const int d : var.dims) n *= s.dims[static_cast<std::size_t>(d)].len;
        auto data = std::make_shared<std::vector<unsigned char>>(n);
        var.copy = n == 0 || nc_get_var(ncid, v, data->data()) == NC_NOERR;
        var.data = std::move(data);
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
        if (std::find(v.dims.begin(), v.dims.end(), dim) != v.dims.end()) v.copy = false;
}

void edit(Schema& s, const std::uint8_t* e) {
    const std::uint8_t a = e[1], b = e[2], c = e[3];
    const std::int32_t v = le32(e + 4);
    const auto pick = [](std::size_t n, std::uint8_t k) { return static_cast<std::size_t>(k) % n; };
    const auto new_type = [](std::uint8_t k) { return static_cast<nc_type>(1 + k % 6); };
    switch (e[0] % 16) {
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
            if (e[0] % 16 == 3) retype(var.atts[k], new_type(c), static_cast<std::size_t>(v) & 0x7f, v >> 8);
            else if (e[0] % 16 == 4) set_element(var.atts[k], c, v);
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
                var.copy = false;
            }
            break;
        case 8: {  // a variable's dimensions: one replaced, the last dropped, or one added
            if (s.vars.empty() || s.dims.empty()) break;
            Var& var = s.vars[pick(s.vars.size(), a)];
            const int d = static_cast<int>(pick(s.dims.size(), c));
            if ((b & 0xc0) == 0x40 && !var.dims.empty()) var.dims.pop_back();
            else if ((b & 0xc0) == 0x80 && var.dims.size() < 6) var.dims.push_back(d);
            else if (!var.dims.empty()) var.dims[pick(var.dims.size(), b)] = d;
            var.copy = false;
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
        if (dim.len > MAX_DATA_BYTES / n) return 0;
        n *= dim.len;
    }
    return n;
}

// Writes the schema through netCDF into memory in its format, with the data
// left alone; false when netCDF refuses the schema or the data would be too
// large.
bool write(const Schema& s, std::vector<unsigned char>& file) {
    std::size_t total = 0;  // data bytes of the file
    for (const Var& v : s.vars) {
        const std::size_t bytes = var_bytes(s, v);
        if (bytes == 0) return false;
        total += bytes * std::max<std::size_t>(1, s.keep_records);
    }
    if (total > MAX_DATA_BYTES) return false;
    int ncid = -1;
    const int mode = s.format == NC_FORMAT_64BIT_OFFSET ? NC_64BIT_OFFSET
                     : s.format == NC_FORMAT_CDF5       ? NC_64BIT_DATA
                                                        : 0;
    // Room for the header and the data from the start, so that the memory
    // image is not grown record by record.
    std::size_t header = 1024;
    for (const Att& a : s.gatts) header += a.name.size() + a.raw.size() + 24;
    for (const Var& v : s.vars) {
        header += v.name.size() + 8 * v.dims.size() + 48;
        for (const Att& a : v.atts) header += a.name.size() + a.raw.size() + 24;
    }
    if (nc_create_mem("orvex-fuzz", mode, header + total, &ncid) != NC_NOERR) return false;
    bool ok = true;
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
    // Records are the outermost dimension: the records kept are the front of the data.
    for (std::size_t k = 0; k < s.vars.size() && ok; ++k) {
        const Var& v = s.vars[k];
        if (!v.copy) continue;
        std::vector<std::size_t> start(v.dims.size(), 0), count;
        std::size_t n = type_size(v.type);
        for (const int d : v.dims) {
            const Dim& dim = s.dims[static_cast<std::size_t>(d)];
            count.push_back(dim.unlimited ? std::min(s.keep_records, s.numrecs) : dim.len);
            n *= count.back();
        }
        if (n > 0 && n <= v.data->size())
            ok = nc_put_vara(ncid, varids[k], start.data(), count.data(), v.data->data()) == NC_NOERR;
    }
    NC_memio mem{};
    ok = nc_close_memio(ncid, &mem) == NC_NOERR && ok;
    if (mem.memory != nullptr) {
        const auto* p = static_cast<const unsigned char*>(mem.memory);
        file.assign(p, p + mem.size);
        std::free(mem.memory);
    }
    return ok;
}

// ---- Raw header edits ----------------------------------------------------------

// Kinds of header field that edit 14 sets.
enum FieldKind {
    NUMRECS,
    LIST_TAG,
    LIST_COUNT,
    NAME_LENGTH,
    DIM_LENGTH,
    ATT_TYPE,
    ATT_COUNT,
    VAR_NDIMS,
    VAR_DIMID,
    VAR_TYPE,
    VAR_SIZE,
    VAR_BEGIN,
    FIELD_KINDS
};

struct FieldAt {
    std::size_t at = 0;
    int width = 4;
};

// Where the fields of a header just written by netCDF lie, by kind, and
// where the header ends.
struct HeaderFields {
    std::array<std::vector<FieldAt>, FIELD_KINDS> of;
    std::size_t end = 0;
};

std::uint64_t get_be(std::span<const unsigned char> f, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) v = v << 8 | f[at + static_cast<std::size_t>(i)];
    return v;
}

void put_be(std::span<unsigned char> f, std::size_t at, int width, std::uint64_t v) {
    for (int i = width - 1; i >= 0; --i, v >>= 8) f[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v);
}

class FieldWalk {
public:
    explicit FieldWalk(std::span<const unsigned char> f) : f_(f) {}

    HeaderFields run() {
        if (f_.size() < 8 || f_[0] != 'C' || f_[1] != 'D' || f_[2] != 'F') return h_;
        w_ = f_[3] == 5 ? 8 : 4;
        ow_ = f_[3] == 1 ? 4 : 8;
        p_ = 4;
        field(NUMRECS, w_);
        const std::uint64_t ndims = list();
        for (std::uint64_t d = 0; d < ndims && ok_; ++d) {
            name();
            field(DIM_LENGTH, w_);
        }
        attributes();
        const std::uint64_t nvars = list();
        for (std::uint64_t v = 0; v < nvars && ok_; ++v) {
            name();
            const std::uint64_t nd = field(VAR_NDIMS, w_);
            for (std::uint64_t i = 0; i < nd && ok_; ++i) field(VAR_DIMID, w_);
            attributes();
            field(VAR_TYPE, 4);
            field(VAR_SIZE, w_);
            field(VAR_BEGIN, ow_);
        }
        if (ok_) h_.end = p_;
        return h_;
    }

private:
    std::uint64_t field(FieldKind kind, int width) {
        if (!ok_ || p_ + static_cast<std::size_t>(width) > f_.size()) {
            ok_ = false;
            return 0;
        }
        h_.of[kind].push_back({p_, width});
        const std::uint64_t v = get_be(f_, p_, width);
        p_ += static_cast<std::size_t>(width);
        return v;
    }
    void skip(std::uint64_t n) {
        if (!ok_ || n > f_.size() || p_ + (n + 3) / 4 * 4 > f_.size()) ok_ = false;
        else p_ += static_cast<std::size_t>((n + 3) / 4 * 4);
    }
    std::uint64_t list() {
        field(LIST_TAG, 4);
        return field(LIST_COUNT, w_);
    }
    void name() { skip(field(NAME_LENGTH, w_)); }
    void attributes() {
        const std::uint64_t n = list();
        for (std::uint64_t a = 0; a < n && ok_; ++a) {
            name();
            const std::uint64_t type = field(ATT_TYPE, 4);
            const std::uint64_t count = field(ATT_COUNT, w_);
            skip(count > f_.size() ? count : count * type_size(static_cast<nc_type>(type)));
        }
    }

    std::span<const unsigned char> f_;
    HeaderFields h_;
    std::size_t p_ = 0;
    int w_ = 4, ow_ = 4;
    bool ok_ = true;
};

// Edit 14: one field of a kind set to the value, the old value plus the
// value, an extreme, or the old value with one bit flipped.
void set_field(std::span<unsigned char> file, const HeaderFields& h, const std::uint8_t* e) {
    const std::vector<FieldAt>& fields = h.of[static_cast<std::size_t>(e[1] % FIELD_KINDS)];
    if (fields.empty()) return;
    const FieldAt f = fields[e[2] % fields.size()];
    const std::uint64_t old = get_be(file, f.at, f.width);
    const auto v = static_cast<std::uint32_t>(le32(e + 4));
    const std::uint64_t extremes[] = {~std::uint64_t{0},  0x7fffffffffffffff, 0xffffffff, 0x7fffffff, 0x80000000,
                                      std::uint64_t{1} << 30, file.size(), file.size() + 1, h.end, 0, 1,
                                      NC_MAX_NAME + 1};
    std::uint64_t value = 0;
    switch (e[3] % 4) {
        case 0: value = v; break;
        case 1: value = old + static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(v))); break;
        case 2: value = extremes[v % (sizeof extremes / sizeof extremes[0])]; break;
        default: value = old ^ (std::uint64_t{1} << (v % (8 * static_cast<unsigned>(f.width)))); break;
    }
    put_be(file, f.at, f.width, value);
}

// Edit 15: a 32-bit word anywhere in the header.
void set_word(std::span<unsigned char> file, const HeaderFields& h, const std::uint8_t* e) {
    if (h.end < 4) return;
    const std::size_t at = (std::size_t{e[1]} | std::size_t{e[2]} << 8 | std::size_t{e[3]} << 16) % (h.end - 3);
    put_be(file, at, 4, static_cast<std::uint32_t>(le32(e + 4)));
}

// ---- What is kept between inputs ------------------------------------------------
//
// Kept outside the heap: libFuzzer takes an input that leaves memory allocated
// for a leak and runs it once more.

std::uint64_t hash_bytes(std::span<const unsigned char> bytes) {
    std::uint64_t h = 0x9e3779b97f4a7c15 ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * 0xff51afd7ed558ccd;
        h ^= h >> 32;
    }
    for (; i < bytes.size(); ++i) h = (h ^ bytes[i]) * 0xc4ceb9fe1a85ec53;
    h ^= h >> 29;
    return h == 0 ? 1 : h;
}

// Files written through netCDF, by their recipe (the base and the schema
// edits): libFuzzer's mutations mostly change bytes that no edit reads (the
// unused fields of an edit, a trailing part of a group) or only raw edits, so
// that most recipes come again. Cleared when full.
class WrittenFiles {
public:
    WrittenFiles() {
        void* p = ::mmap(nullptr, ARENA, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        require(p != MAP_FAILED, "cannot reserve the file cache");
        arena_ = static_cast<unsigned char*>(p);
    }

    // The file of the recipe, written on first use; an empty span when netCDF
    // refused the schema.
    std::span<unsigned char> get(const std::string& recipe, const std::function<bool(std::vector<unsigned char>&)>& write) {
        const std::uint64_t h = hash_bytes({reinterpret_cast<const unsigned char*>(recipe.data()), recipe.size()});
        std::size_t i = h % SLOTS;
        for (; slots_[i].hash != 0; i = (i + 1) % SLOTS) {
            const Slot& e = slots_[i];
            if (e.hash == h && e.recipe_len == recipe.size() && std::memcmp(e.recipe, recipe.data(), recipe.size()) == 0)
                return {e.file, e.file_len};
        }
        std::vector<unsigned char> file;
        if (!write(file)) file.clear();
        if (used_ + recipe.size() + file.size() + 16 > ARENA || count_ >= SLOTS / 2) {
            clear();
            return get(recipe, [&file](std::vector<unsigned char>& out) {
                out = file;
                return !out.empty();
            });
        }
        Slot& e = slots_[i];
        e.hash = h;
        e.recipe = take(recipe.size());
        std::memcpy(e.recipe, recipe.data(), recipe.size());
        e.recipe_len = recipe.size();
        e.file = take(file.size());
        if (!file.empty()) std::memcpy(e.file, file.data(), file.size());
        e.file_len = file.size();
        ++count_;
        return {e.file, e.file_len};
    }

private:
    struct Slot {
        std::uint64_t hash = 0;  // 0: free
        unsigned char* recipe = nullptr;
        std::size_t recipe_len = 0;
        unsigned char* file = nullptr;
        std::size_t file_len = 0;
    };
    static constexpr std::size_t SLOTS = std::size_t{1} << 13;
    static constexpr std::size_t ARENA = std::size_t{128} << 20;

    unsigned char* take(std::size_t n) {
        unsigned char* p = arena_ + used_;
        used_ += (n + 7) / 8 * 8;
        return p;
    }
    void clear() {
        slots_.fill(Slot{});
        count_ = 0;
        used_ = 0;
        ::madvise(arena_, ARENA, MADV_DONTNEED);
    }

    std::array<Slot, SLOTS> slots_{};
    std::size_t count_ = 0;
    unsigned char* arena_ = nullptr;
    std::size_t used_ = 0;
};

// Hashes of the input files already taken through the layer. The layer
// starts afresh for every input, so a file it has already been through tells
// nothing new; a quarter or more of the inputs libFuzzer makes come to a file
// already tried. Cleared when half full.
class TriedFiles {
public:
    // False when the file was tried before; else it counts as tried from now.
    bool first_time(std::span<const unsigned char> file) {
        const std::uint64_t h = hash_bytes(file);
        std::size_t i = h % SLOTS;
        for (; table_[i] != 0; i = (i + 1) % SLOTS)
            if (table_[i] == h) return false;
        if (count_ >= SLOTS / 2) {
            table_.fill(0);
            count_ = 0;
            return first_time(file);
        }
        table_[i] = h;
        ++count_;
        return true;
    }

private:
    static constexpr std::size_t SLOTS = std::size_t{1} << 20;
    std::array<std::uint64_t, SLOTS> table_{};
    std::size_t count_ = 0;
};

WrittenFiles& written_files() {
    static WrittenFiles* const files = new WrittenFiles;  // never freed: see above
    return *files;
}

TriedFiles& tried_files() {
    static TriedFiles* const files = new TriedFiles;
    return *files;
}

// The recipe of an input: its base and its schema edits (with the format).
std::string recipe_of(std::size_t b, const std::uint8_t* edits, std::size_t n) {
    std::string recipe(1, static_cast<char>(b));
    int format = g_bases[b].format;
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        const int kind = edits[i] % 16;
        if (kind < 13) recipe.append(reinterpret_cast<const char*>(edits + i), 8);
        if (kind == 13) {
            const int formats[] = {NC_FORMAT_CLASSIC, NC_FORMAT_64BIT_OFFSET, NC_FORMAT_CDF5};
            format = formats[edits[i + 1] % 3];
        }
    }
    return recipe + static_cast<char>(format);
}

// The schema of the recipe written through netCDF.
bool write_recipe(std::size_t b, const std::uint8_t* edits, std::size_t n, const std::string& recipe,
                  std::vector<unsigned char>& file) {
    Schema s = g_bases[b];
    for (std::size_t i = 0; i + 8 <= n; i += 8)
        if (edits[i] % 16 < 13) edit(s, edits + i);
    s.format = static_cast<unsigned char>(recipe.back());
    return write(s, file);
}

// Writes the whole file to the input path through the descriptor kept open,
// over the last input's bytes (their pages are reused), then cut to size.
void write_input(std::span<const unsigned char> file) {
    static const int fd = ::open(g_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    require(fd >= 0, "cannot open the input file");
    std::size_t done = 0;
    while (done < file.size()) {
        const ssize_t n = ::pwrite(fd, file.data() + done, file.size() - done, static_cast<off_t>(done));
        require(n > 0, "cannot write the input file");
        done += static_cast<std::size_t>(n);
    }
    require(::ftruncate(fd, static_cast<off_t>(file.size())) == 0, "cannot write the input file");
}

// A RAM-backed directory for the input file, removed at exit; the scratch
// directory when there is no /dev/shm.
std::string input_path() {
    static std::string dir = "/dev/shm/orvex-fuzz-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) return orvex_fuzz::scratch_path("input.nc");
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    return dir + "/input.nc";
}

}  // namespace

#ifdef ORVEX_LIBFUZZER
// The address sanitizer keeps freed memory out of use for a while, to catch a
// use after it is freed. An input frees about a megabyte; with the default
// quarantine of 256 MB every input works in cold memory and a quarter of the
// time goes to recycling it. 32 MB still spans dozens of inputs.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvex_fuzz::quiet_layer();
    const std::vector<std::string> bases = orvex_fuzz::write_bases(orvex_fuzz::scratch_dir(), false);
    for (const std::string& path : bases) g_bases.push_back(load(path));
    // netCDF allocates its table of open datasets with the first open and
    // frees it with the last close; one dataset kept open for the life of the
    // process spares every input that allocation.
    int keep = -1;
    require(nc_open(bases.front().c_str(), NC_NOWRITE, &keep) == NC_NOERR, "cannot open a base file");
    g_path = input_path();
    ::setenv(FILE_NAME, g_path.c_str(), 1);
    const rlimit fsize{rlim_t{64} << 20, rlim_t{64} << 20};
    require(::setrlimit(RLIMIT_FSIZE, &fsize) == 0, "cannot limit the file size");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A write beyond the file-size limit fails with EFBIG instead of ending
    // the process (set here: libFuzzer installs its handlers after start-up).
    static const bool xfsz_ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    require(xfsz_ignored, "cannot ignore SIGXFSZ");
    if (size < 1 || size > 8 * 64 + 1) return 0;
    const std::size_t base = data[0] % g_bases.size();
    const std::string recipe = recipe_of(base, data + 1, size - 1);
    const std::span<unsigned char> file = written_files().get(recipe, [&](std::vector<unsigned char>& out) {
        return write_recipe(base, data + 1, size - 1, recipe, out);
    });
    if (file.empty()) return 0;

    // The raw edits are made on the kept file and undone once it is written.
    bool raw = false;
    for (std::size_t i = 1; i + 8 <= size; i += 8) raw = raw || data[i] % 16 >= 14;
    std::vector<unsigned char> header;
    if (raw) {
        const HeaderFields fields = FieldWalk(file).run();
        header.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(fields.end));
        for (std::size_t i = 1; i + 8 <= size; i += 8) {
            if (data[i] % 16 == 14) set_field(file, fields, data + i);
            if (data[i] % 16 == 15) set_word(file, fields, data + i);
        }
    }
    const bool new_file = tried_files().first_time(file) || size == 1;
    if (new_file) write_input(file);
    std::copy(header.begin(), header.end(), file.begin());
    if (!new_file) return 0;

    const int fds = orvex_fuzz::open_fds();
    const bool read_only = orvex_fuzz::open_pass(FILE_NAME, orvex::FSRDONLY3);
    // A file refused read-only is refused read/write for the same reasons. A
    // header with raw edits is opened read-only only: one that claims records
    // or variables where the file has none gets netCDF to write there (the
    // file padded to the size claimed when it is closed, the records moved
    // when the header grows, a record written back), which the file-size
    // limit turns into failed writes and failed closes.
    bool read_write = false;
    if ((read_only && !raw) || size == 1) read_write = orvex_fuzz::open_pass(FILE_NAME, orvex::FSRDWR3);
    // A base file left as the layer wrote it opens both ways.
    if (size == 1) require(read_only && read_write, "an unedited base file does not open");
    orvex_fuzz::shut_and_check(fds);
    return 0;
}
