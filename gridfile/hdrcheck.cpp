// The header check of classic-format files (see hdrcheck.hpp).
//
// A classic header is the magic "CDF" with a version byte (1, 2 or 5), the
// record count, then three lists: dimensions, global attributes, variables.
// A list is a tag and a count, then its entries; an empty list may carry any
// tag. Counts, lengths, dimension ids and sizes are 32-bit in versions 1 and 2
// and 64-bit in version 5; offsets are 32-bit in version 1 and 64-bit in the
// others; tags and data types are always 32-bit. Numbers are big-endian;
// names and attribute values are padded to a multiple of four bytes.
//
//   dimension: name, length (0 for the record dimension)
//   attribute: name, type, value count, the values
//   variable:  name, dimension count, dimension ids, attribute list, type,
//              size (not trusted: recomputed here), begin offset
#include "gridfile/hdrcheck.hpp"

#include <fcntl.h>
#include <netcdf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

namespace orvex::detail {

namespace {

using u64 = std::uint64_t;

// A size or offset this large or larger is beyond any file offset.
constexpr u64 TOO_LARGE = static_cast<u64>(std::numeric_limits<std::int64_t>::max());

constexpr u64 TAG_DIMENSION = 0x0A;
constexpr u64 TAG_VARIABLE = 0x0B;
constexpr u64 TAG_ATTRIBUTE = 0x0C;

u64 mul(u64 a, u64 b) {
    u64 r = 0;
    return __builtin_mul_overflow(a, b, &r) || r > TOO_LARGE ? TOO_LARGE : r;
}
u64 add(u64 a, u64 b) {
    u64 r = 0;
    return __builtin_add_overflow(a, b, &r) || r > TOO_LARGE ? TOO_LARGE : r;
}
u64 pad4(u64 n) { return n >= TOO_LARGE ? TOO_LARGE : (n + 3) / 4 * 4; }

// Bytes of one value of a data type of the format; 0 for an unknown type.
u64 type_bytes(u64 type) {
    switch (type) {
        case NC_BYTE:
        case NC_CHAR:
        case NC_UBYTE: return 1;
        case NC_SHORT:
        case NC_USHORT: return 2;
        case NC_INT:
        case NC_FLOAT:
        case NC_UINT: return 4;
        case NC_DOUBLE:
        case NC_INT64:
        case NC_UINT64: return 8;
        default: return 0;
    }
}

// How the walk over a header ends early.
struct Refusal {  // a field claims what the file cannot hold
    std::string claim;
};
struct PassOn {};  // the file cannot be read here: the netCDF library reports it
struct Cut {};     // the header goes on past the end of the file

// The header bytes of an open file, read in blocks as the walk reaches them;
// values of attributes are skipped, not read.
class Reader {
public:
    Reader(int fd, u64 size) : fd_(fd), size_(size) {}

    u64 size() const { return size_; }
    u64 pos() const { return pos_; }
    u64 left() const { return size_ - pos_; }

    // A big-endian unsigned number of width 4 or 8.
    u64 number(int width) {
        const unsigned char* p = take(static_cast<u64>(width));
        u64 v = 0;
        for (int i = 0; i < width; ++i) v = v << 8 | p[i];
        return v;
    }
    // n bytes (at most BLOCK) as text into s, control characters shown as
    // '?', and the padding after them skipped.
    void text(u64 n, std::string& s) {
        const unsigned char* p = take(n);
        s.assign(p, p + n);
        for (char& c : s)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
        skip(pad4(n) - n);
    }
    void skip(u64 n) {
        if (n > left()) throw Cut{};
        pos_ += n;
    }

    static constexpr std::size_t BLOCK = 4096;

private:
    // The next n bytes (n at most BLOCK), read in when not yet there.
    const unsigned char* take(u64 n) {
        if (n > left()) throw Cut{};
        if (pos_ < at_ || pos_ + n > at_ + len_) {
            len_ = static_cast<std::size_t>(std::min<u64>(BLOCK, left()));
            at_ = pos_;
            std::size_t got = 0;
            while (got < len_) {
                const ssize_t r = ::pread(fd_, buf_.data() + got, len_ - got, static_cast<off_t>(at_ + got));
                if (r < 0 && errno == EINTR) continue;
                if (r < 0) throw PassOn{};  // an I/O error: the library reports it
                if (r == 0) throw Cut{};    // the file shrank while it was read
                got += static_cast<std::size_t>(r);
            }
        }
        const unsigned char* p = buf_.data() + (pos_ - at_);
        pos_ += n;
        return p;
    }

    int fd_;
    u64 size_;
    u64 pos_ = 0;
    std::array<unsigned char, BLOCK> buf_;
    std::size_t len_ = 0;  // bytes in buf_
    u64 at_ = 0;           // file offset of buf_[0]
};

class Walk {
public:
    Walk(Reader& r, int version) : r_(r), w_(version == 5 ? 8 : 4), ow_(version == 1 ? 4 : 8) {}

    // The claim the header cannot hold, or empty.
    std::string run() {
        try {
            r_.number(w_);  // the record count
            dimensions();
            attributes(nullptr);
            variables();
            placement();
        } catch (const Cut&) {
            return "header runs past the end of the file in " + std::string(at_.index == 0 ? "the " : "") + field();
        } catch (const Refusal& refusal) {
            return refusal.claim;
        }
        return {};
    }

private:
    struct Var {
        std::string name;
        bool record = false;
        u64 size = 0;  // bytes of the variable, or of one record of it
        u64 begin = 0;
    };

    // Where the walk is; put into words only when the header is refused.
    struct Where {
        const char* what = "record count";  // a list, or the kind of its entries
        u64 index = 0;                      // of an entry, from 1; 0 for a list
        const std::string* name = nullptr;  // of the entry, once read
        const std::string* var = nullptr;   // the variable an attribute list belongs to
    };

    // "attribute units of variable O3", "dimension 3", "attribute list".
    std::string field() const {
        std::string f = at_.what;
        if (at_.name != nullptr) f += " " + *at_.name;
        else if (at_.index > 0) f += " " + std::to_string(at_.index);
        if (at_.var != nullptr) f += " of variable " + *at_.var;
        return f;
    }
    std::string claims(u64 n, const char* unit) const { return field() + " claims " + std::to_string(n) + " " + unit; }

    // A list's tag and count; its entries take at least min_entry bytes each.
    u64 list(const char* what, u64 tag, u64 min_entry) {
        at_ = Where{what, 0, nullptr, at_.var};
        const u64 t = r_.number(4);
        const u64 n = r_.number(w_);
        if (n == 0) return 0;
        if (t != tag) throw Refusal{field() + " claims tag " + std::to_string(t)};
        if (n > r_.left() / min_entry) throw Refusal{claims(n, "entries")};
        return n;
    }

    // Entry k of the list of kind what begins.
    void entry(const char* what, u64 k) { at_ = Where{what, k, nullptr, at_.var}; }

    // A data type of the format; the netCDF library reads some types that no
    // classic file can hold (a string type among them).
    u64 type() {
        const u64 t = r_.number(4);
        if (type_bytes(t) == 0) throw Refusal{field() + " claims type " + std::to_string(t)};
        return t;
    }

    // The entry's name, into name; the entry is called by it from then on.
    void name(std::string& name) {
        const u64 n = r_.number(w_);
        if (n > NC_MAX_NAME || pad4(n) > r_.left()) throw Refusal{"name of " + claims(n, "characters")};
        r_.text(n, name);
        at_.name = &name;
    }

    void dimensions() {
        const u64 n = list("dimension list", TAG_DIMENSION, 2 * static_cast<u64>(w_));
        for (u64 k = 1; k <= n; ++k) {
            entry("dimension", k);
            name(name_);
            dims_.push_back(r_.number(w_));
        }
    }

    // The global attributes (var null) or those of a variable.
    void attributes(const std::string* var) {
        at_.var = var;
        const u64 n = list("attribute list", TAG_ATTRIBUTE, 2 * static_cast<u64>(w_) + 4);
        for (u64 k = 1; k <= n; ++k) {
            entry("attribute", k);
            name(name_);
            const u64 t = type();
            const u64 count = r_.number(w_);
            const u64 bytes = pad4(mul(count, type_bytes(t)));
            if (bytes > r_.left()) throw Refusal{claims(count, t == NC_CHAR ? "characters" : "values")};
            r_.skip(bytes);
        }
        at_.var = nullptr;
    }

    void variables() {
        const u64 w = static_cast<u64>(w_);
        const u64 n = list("variable list", TAG_VARIABLE, 4 * w + 8 + static_cast<u64>(ow_));
        for (u64 k = 1; k <= n; ++k) {
            entry("variable", k);
            Var& v = vars_.emplace_back();
            name(v.name);
            const u64 ndims = r_.number(w_);
            if (ndims > r_.left() / w) throw Refusal{claims(ndims, "dimensions")};
            u64 values = 1;
            for (u64 i = 0; i < ndims; ++i) {
                const u64 id = r_.number(w_);
                if (id >= dims_.size()) throw Refusal{field() + " claims dimension id " + std::to_string(id)};
                const u64 len = dims_[static_cast<std::size_t>(id)];
                if (i == 0 && len == 0) v.record = true;
                else values = mul(values, len);
            }
            attributes(&v.name);
            entry("variable", k);
            at_.name = &v.name;
            const u64 size = type_bytes(type());
            r_.number(w_);  // the stored size
            v.begin = r_.number(ow_);
            v.size = mul(values, size);
        }
    }

    // Where the variables lie: after the header; a fixed-size variable within
    // the file; a record variable within the first record, which may lie at
    // or past the end of the file.
    void placement() {
        const u64 header_end = r_.pos();
        u64 record_start = TOO_LARGE, record_size = 0;
        for (const Var& v : vars_) {
            at_ = Where{"variable", 0, &v.name, nullptr};
            if (v.size >= TOO_LARGE) throw Refusal{field() + " claims more than " + std::to_string(TOO_LARGE) + " bytes"};
            if (v.begin < header_end)
                throw Refusal{field() + " claims offset " + std::to_string(v.begin) + " inside the header"};
            if (v.record) {
                record_start = std::min(record_start, v.begin);
                record_size = add(record_size, pad4(v.size));
            } else if (add(v.begin, v.size) > r_.size()) {
                throw Refusal{field() + " claims " + std::to_string(v.size) + " bytes at offset " +
                              std::to_string(v.begin)};
            }
        }
        if (record_start == TOO_LARGE) return;
        const u64 record_end = add(record_start, record_size);
        if (record_end >= TOO_LARGE)
            throw Refusal{"first record claims more than " + std::to_string(TOO_LARGE) + " bytes"};
        for (const Var& v : vars_)
            if (v.record && add(v.begin, v.size) > record_end)
                throw Refusal{"variable " + v.name + " claims offset " + std::to_string(v.begin) +
                              " past the first record"};
    }

    Reader& r_;
    int w_;   // bytes of a count, length, dimension id or size
    int ow_;  // bytes of an offset
    Where at_;
    std::string name_;  // of the dimension or attribute being read
    // Not reserved from the counts: an entry is kept only once it was read.
    std::vector<u64> dims_;
    std::deque<Var> vars_;  // attribute lists refer to their variable's name
};

}  // namespace

std::string classic_header_lie(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {};
    std::string claim;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 4) {
        Reader r(fd, static_cast<u64>(st.st_size));
        try {
            const u64 magic = r.number(4);
            const u64 version = magic & 0xff;
            if (magic >> 8 == 0x434446 && (version == 1 || version == 2 || version == 5))
                claim = Walk(r, static_cast<int>(version)).run();
        } catch (const PassOn&) {
        } catch (const Cut&) {
        }
    }
    ::close(fd);
    return claim;
}

}  // namespace orvex::detail
