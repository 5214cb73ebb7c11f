// Native binary files: header, layout, time flags, data, flush and close.
//
// File layout: a fixed header of 19884 bytes (see binhdr), then the names,
// units and descriptions of the variables (16, 16 and 80 bytes each), then the
// records. Integers of the header and of the time flags are 32-bit
// little-endian, composed byte by byte; data values are in the machine's own
// order. A record holds the time flags (8 bytes per variable, 8 bytes when
// there are none), the index part of the id-data, profile and sparse-matrix
// types, then every variable with all its layers.
//
// A header read from disk is not trusted: counts, sizes and types are checked
// before anything is sized or any offset computed from them, offsets are
// computed in 64 bits with overflow checks, and texts are read within their
// slots.
#include "support/iobin3.hpp"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "gridfile/filetypes.hpp"
#include "gridfile/state3.hpp"
#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"

namespace orvex {

using namespace detail;

namespace detail {

BinSettings& bin_settings() {
    static BinSettings settings;
    return settings;
}

BinState::~BinState() {
    if (stream != nullptr) std::fclose(stream);
}

}  // namespace detail

namespace {

namespace H = binhdr;

constexpr std::size_t MAXPATH = 510;
constexpr int NVALS_UNSET = -1;

std::string str(std::string_view a) { return std::string(a); }

// ---- Reports ------------------------------------------------------------------

// A failed system call: the message in the log, then the system's description
// of the error on standard error (err 0: the file ended too early).
void report_sys(const std::string& msg, int err) {
    QVMESG(msg);
    std::fprintf(stderr, "%s: %s\n", msg.c_str(), err == 0 ? "unexpected end of file" : std::strerror(err));
}

// ---- Little-endian integers and number texts --------------------------------------

void put_i32(unsigned char* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<unsigned char>(u & 0xFFu);
    p[1] = static_cast<unsigned char>((u >> 8) & 0xFFu);
    p[2] = static_cast<unsigned char>((u >> 16) & 0xFFu);
    p[3] = static_cast<unsigned char>((u >> 24) & 0xFFu);
}

std::int32_t get_i32(const unsigned char* p) {
    const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return static_cast<std::int32_t>(u);
}

// "%27.19e" and its zero byte: 28 bytes.
void put_double_text(unsigned char* p, double v) {
    char text[H::GRIDLEN + 8];
    const int n = std::snprintf(text, sizeof text, "%27.19e", v);
    const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), H::GRIDLEN - 1);
    std::memcpy(p, text, len);
    p[len] = 0;
}

// "%15.9e" in a 16-byte slot: a negative value takes all 16 bytes and has no zero byte.
void put_level_text(unsigned char* p, float v) {
    char text[H::LEVLEN + 16];
    const int n = std::snprintf(text, sizeof text, "%15.9e", static_cast<double>(v));
    const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), H::LEVLEN);
    std::memcpy(p, text, len);
    if (len < H::LEVLEN) p[len] = 0;
}

// Parses the number text of a slot of width bytes, stopping at its first zero
// byte or at the slot's end. Only blanks may follow the number.
bool parse_number(const unsigned char* p, std::size_t width, double& v) {
    char text[H::GRIDLEN + 1];
    std::memcpy(text, p, width);
    text[width] = '\0';
    char* end = nullptr;
    v = std::strtod(text, &end);
    if (end == text) return false;
    for (; *end != '\0'; ++end)
        if (*end != ' ') return false;
    return true;
}

template <std::size_t N>
void put_text(unsigned char* p, const Text<N>& t) {
    std::memcpy(p, t.data(), N);
}

template <std::size_t N>
void get_text(const unsigned char* p, Text<N>& t) {
    t.assign(std::string_view(reinterpret_cast<const char*>(p), N));
}

// ---- Stream access ------------------------------------------------------------

bool seek_to(std::FILE* fp, std::int64_t off) {
    if (off < 0 || off > std::numeric_limits<off_t>::max()) {
        errno = EOVERFLOW;
        return false;
    }
    return fseeko(fp, static_cast<off_t>(off), SEEK_SET) == 0;
}

bool read_bytes(std::FILE* fp, void* dst, std::size_t n, const std::string& readmsg) {
    if (n == 0) return true;
    errno = 0;
    if (std::fread(dst, 1, n, fp) != n) {
        const int err = std::ferror(fp) != 0 ? errno : 0;
        std::clearerr(fp);
        report_sys(readmsg, err);
        return false;
    }
    return true;
}

bool write_bytes(std::FILE* fp, const void* src, std::size_t n, const std::string& writemsg) {
    if (n == 0) return true;
    errno = 0;
    if (std::fwrite(src, 1, n, fp) != n) {
        const int err = errno != 0 ? errno : EIO;
        std::clearerr(fp);
        report_sys(writemsg, err);
        return false;
    }
    return true;
}

bool seek_or_report(std::FILE* fp, std::int64_t off, const std::string& seekmsg) {
    if (!seek_to(fp, off)) {
        report_sys(seekmsg, errno);
        return false;
    }
    return true;
}

bool read_at(std::FILE* fp, std::int64_t off, void* dst, std::size_t n, const std::string& seekmsg,
             const std::string& readmsg) {
    return seek_or_report(fp, off, seekmsg) && read_bytes(fp, dst, n, readmsg);
}

bool write_at(std::FILE* fp, std::int64_t off, const void* src, std::size_t n, const std::string& seekmsg,
              const std::string& writemsg) {
    return seek_or_report(fp, off, seekmsg) && write_bytes(fp, src, n, writemsg);
}

// Size of the file behind the stream, its buffered writes included; -1 on failure.
std::int64_t file_size(std::FILE* fp) {
    struct stat sb {};
    if (std::fflush(fp) != 0 || fstat(fileno(fp), &sb) != 0) return -1;
    return static_cast<std::int64_t>(sb.st_size);
}

// The path up to its first white space; false when that is longer than MAXPATH.
bool cut_path(std::string_view path, std::string& out) {
    std::size_t n = 0;
    while (n < path.size() && path[n] != '\0' && path[n] != ' ' && path[n] != '\t' && path[n] != '\n' &&
           path[n] != '\r' && path[n] != '\v' && path[n] != '\f')
        ++n;
    if (n > MAXPATH) return false;
    out.assign(path.substr(0, n));
    return true;
}

// Opens the stream of op for the path; false after reporting.
bool open_stream(BinState& st, std::string_view path, const char* mode, std::string_view op) {
    std::string fpath;
    if (!cut_path(path, fpath)) {
        QVMESG(str(op) + ":  path longer than " + std::to_string(MAXPATH) + " characters");
        return false;
    }
    st.stream = std::fopen(fpath.c_str(), mode);
    if (st.stream == nullptr) {
        report_sys(str(op) + ":  fopen() failure", errno);
        return false;
    }
    return true;
}

// ---- Layout -------------------------------------------------------------------

// The row of an open file's type, one that the binary form supports.
const FileType& type_of(const BinState& st) { return *file_type(st.ftype); }

bool has_index(const BinState& st) { return !index_part(type_of(st)).empty(); }

// Values of a record's index part of one data type: its integers (the same in
// the file and in the buffer) or its reals (coordinates: doubles in the file,
// reals in the buffer).
std::int64_t index_values(const BinState& st, int vtype) {
    std::int64_t n = 0;
    for (const AuxVar& a : index_part(type_of(st)))
        if (a.type == vtype) n += aux_length(a, st.ncols, st.nrows, st.nthik);
    return n;
}

std::int64_t index_file_bytes(const BinState& st) { return 4 * index_values(st, QVINT) + 8 * index_values(st, QVREAL); }

std::int64_t index_buffer_bytes(const BinState& st) {
    return 4 * index_values(st, QVINT) + 4 * index_values(st, QVREAL);
}

int flag_pairs(const BinState& st) { return std::max(st.nvars, 1); }
std::int64_t flag_bytes(const BinState& st) { return 8 * static_cast<std::int64_t>(flag_pairs(st)); }

// Layers stored per variable: a record without a layer dimension stores one.
bool layered(const BinState& st) { return type_of(st).data.layered; }
int stored_layers(const BinState& st) { return layered(st) ? st.nlays : 1; }

struct LayoutInput {
    int ftype, gdtyp, ncols, nrows, nlays, nthik, nvars, mxrec;
    std::span<const int> vtypes;  // at least nvars entries
};

// Values in one layer of one variable of a supported type; NVALS_UNSET when
// the dimensions the type uses are invalid (reported).
std::int64_t values_per_layer(const LayoutInput& in) {
    const FileType& t = *file_type(in.ftype);
    if ((uses(t, Extent::Cols) && in.ncols < 0) || (uses(t, Extent::Rows) && in.nrows < 0)) {
        QVMESG("Invalid dimensions:  NCOLS " + std::to_string(in.ncols) + "  NROWS " + std::to_string(in.nrows));
        return NVALS_UNSET;
    }
    std::int64_t nvals = 1;
    for (const Extent e : t.data.extents) {
        long long len = extent_length(e, in.ncols, in.nrows, in.nthik);
        if (e == Extent::Perim && !perim_cells(in.ncols, in.nrows, in.nthik, len)) {
            QVMESG("Record size too large");
            return NVALS_UNSET;
        }
        if (e == Extent::Perim && len < 0) {
            QVMESG("Invalid boundary thickness NTHIK " + std::to_string(in.nthik));
            return NVALS_UNSET;
        }
        nvals *= len;
    }
    return nvals;
}

bool supported_type(int ftype) {
    const FileType* t = file_type(ftype);
    return t != nullptr && t->binary;
}

std::int64_t element_size(const BinState& st, int vtype) {
    switch (vtype) {
        case QVINT: return st.intsize;
        case QVREAL: return st.realsize;
        default: return st.dblesize;
    }
}

// The layout computation shared by creation and opening: checks the
// description, computes the per-variable layer sizes and offsets, the record
// and header sizes, and stores the counts into slot fid and the state.
bool compute_layout(int fid, BinState& st, const LayoutInput& in) {
    if (in.nvars < 0 || in.nvars > MXVARS3) {
        QVMESG("Invalid NVARS " + std::to_string(in.nvars));
        return false;
    }
    if (!supported_type(in.ftype)) {
        QVMESG("CRTBIN3():  unsupported FTYPE " + std::to_string(in.ftype));
        return false;
    }
    if (st.intsize != 4 || st.realsize != 4 || st.dblesize != 8) {
        QVMESG("Invalid sizes:  INT " + std::to_string(st.intsize) + "  REAL " + std::to_string(st.realsize) +
               "  DOUBLE " + std::to_string(st.dblesize));
        return false;
    }
    if (in.nlays < 0) {
        QVMESG("Invalid NLAYS " + std::to_string(in.nlays));
        return false;
    }
    if (in.mxrec < 0) {
        QVMESG("Invalid record count " + std::to_string(in.mxrec));
        return false;
    }
    const std::int64_t nvals = values_per_layer(in);
    if (nvals == NVALS_UNSET) return false;

    bool types_ok = true;
    for (int v = 0; v < in.nvars; ++v) {
        const int t = in.vtypes[static_cast<std::size_t>(v)];
        if (t != QVINT && t != QVREAL && t != QVDBLE) {
            QVMESG("Variable " + std::to_string(v) + ":  invalid type " + std::to_string(t));
            types_ok = false;
        }
    }
    if (!types_ok) return false;

    st.ftype = in.ftype;
    st.ncols = in.ncols;
    st.nrows = in.nrows;
    st.nlays = in.nlays;
    st.nthik = in.nthik;
    st.nvars = in.nvars;
    st.mxrec = in.mxrec;

    // Every running sum below stays far from overflow only when checked.
    std::int64_t running = 0;
    bool too_large = nvals > std::numeric_limits<int>::max() ||
                     __builtin_add_overflow(flag_bytes(st), index_file_bytes(st), &running);
    const std::int64_t layers = stored_layers(st);
    for (int v = 0; v < in.nvars && !too_large; ++v) {
        const auto i = static_cast<std::size_t>(v);
        st.vtype[i] = in.vtypes[i];
        std::int64_t lsize = 0, vsize = 0;
        too_large = __builtin_mul_overflow(nvals, element_size(st, st.vtype[i]), &lsize) ||
                    __builtin_mul_overflow(lsize, layers, &vsize);
        st.laysize[i] = lsize;
        st.offset[i] = running;
        too_large = too_large || __builtin_add_overflow(running, vsize, &running);
    }
    if (too_large) {
        QVMESG("Record size too large");
        return false;
    }
    st.recsize = running;
    st.hdrsize = static_cast<std::int64_t>(H::SIZE + H::PERVAR * static_cast<std::size_t>(in.nvars));

    FileSlot& s = slot(fid);
    s.ftype = in.ftype;
    s.ncols = in.ncols;
    s.nrows = in.nrows;
    s.nlays = in.nlays;
    s.nthik = in.nthik;
    s.nvars = in.nvars;
    s.mxrec = in.mxrec;
    s.gdtyp = in.gdtyp;
    s.laysz = static_cast<int>(nvals);
    s.vars.assign(static_cast<std::size_t>(in.nvars), VarSlot{});
    for (int v = 0; v < in.nvars; ++v) {
        VarSlot& var = s.vars[static_cast<std::size_t>(v)];
        var.vtype = in.vtypes[static_cast<std::size_t>(v)];
        var.vid = v + 1;
    }
    return true;
}

// Start of record rec (from 1); false when it does not exist or does not fit in 64 bits.
bool record_start(const BinState& st, int rec, std::int64_t& off) {
    if (rec < 1) return false;
    std::int64_t skip = 0, end = 0;
    return !__builtin_mul_overflow(static_cast<std::int64_t>(rec) - 1, st.recsize, &skip) &&
           !__builtin_add_overflow(skip, st.hdrsize, &off) && !__builtin_add_overflow(off, st.recsize, &end);
}

// Whether the file holds the first time flag of record count (the count at offset 0).
bool count_fits(const BinState& st, int count) {
    if (count == 0) return true;
    std::int64_t off = 0;
    const std::int64_t size = file_size(st.stream);
    return count > 0 && record_start(st, count, off) && size >= 0 && off + 8 <= size;
}

// ---- Slot checks ------------------------------------------------------------------

bool valid_fid(int fid) { return fid >= 1 && fid <= MXFILE3; }

// The state of an open file is owned by its slot of the open-file table.
BinState* state_of(int fid) { return slot(fid).state_as<BinState>(); }

// The state of an open file, or null after reporting "file not yet open" or "bad FID".
BinState* open_state(int fid, std::string_view op) {
    if (!valid_fid(fid)) {
        QVMESG(str(op) + ":  bad FID");
        return nullptr;
    }
    BinState* st = state_of(fid);
    if (st == nullptr) {
        QVMESG(str(op) + ":  file not yet open");
        return nullptr;
    }
    if (st->stream == nullptr) {
        QVMESG(str(op) + ":  bad FID");
        return nullptr;
    }
    return st;
}

// A variable number up to maxvid (0 or less: all variables).
bool valid_vid(int vid, int maxvid, std::string_view op) {
    if (vid > maxvid) {
        QVMESG(str(op) + ":  invalid variable number " + std::to_string(vid));
        return false;
    }
    return true;
}

bool valid_record(const BinState& st, int rec, std::int64_t& off, std::string_view op) {
    if (!record_start(st, rec, off)) {
        QVMESG(str(op) + ":  invalid record number " + std::to_string(rec));
        return false;
    }
    return true;
}

// Closes the stream of a creation or opening that failed part way.
void close_after_failure(BinState& st, std::string_view op) {
    if (st.stream != nullptr && std::fclose(st.stream) != 0) report_sys(str(op) + ":  fclose() failure", errno);
    st.stream = nullptr;
}

std::unique_ptr<BinState> new_state(std::string_view op) {
    try {
        return std::make_unique<BinState>();
    } catch (const std::bad_alloc&) {
        QVMESG(str(op) + ":  malloc( BIN_STATE ) failure");
        return nullptr;
    }
}

// ---- Header -----------------------------------------------------------------------

// The nine projection and grid doubles, in header order.
using Grid = std::array<double, 9>;

Grid grid_of(const Fdesc3& d) {
    return {d.P_ALP3D, d.P_BET3D, d.P_GAM3D, d.XCENT3D, d.YCENT3D, d.XORIG3D, d.YORIG3D, d.XCELL3D, d.YCELL3D};
}

void set_grid(FileSlot& s, const Grid& g) {
    s.p_alp = g[0];
    s.p_bet = g[1];
    s.p_gam = g[2];
    s.xcent = g[3];
    s.ycent = g[4];
    s.xorig = g[5];
    s.yorig = g[6];
    s.xcell = g[7];
    s.ycell = g[8];
}

// Level texts in use: NLAYS + 1, at most MXLAYS3 + 1 (nlays is not negative).
std::size_t level_count(int nlays) {
    return nlays >= MXLAYS3 ? std::size_t{MXLAYS3} + 1 : static_cast<std::size_t>(nlays) + 1;
}

std::vector<unsigned char> build_header(const Fdesc3& d) {
    std::vector<unsigned char> h(H::SIZE, 0);
    unsigned char* p = h.data();
    const BinSettings& set = bin_settings();
    put_i32(p + H::MXREC, 0);
    std::memcpy(p + H::VERSION, set.version.data(), set.version.size());
    put_i32(p + H::BYTEORDER, set.byteorder);
    put_i32(p + H::INTSIZE, 4);
    put_i32(p + H::REALSIZE, 4);
    put_i32(p + H::DBLESIZE, 8);
    put_i32(p + H::CDATE, set.rundate);
    put_i32(p + H::CTIME, set.runtime);
    put_i32(p + H::WDATE, set.rundate);
    put_i32(p + H::WTIME, set.runtime);
    put_i32(p + H::FTYPE, d.FTYPE3D);
    put_i32(p + H::GDTYP, d.GDTYP3D);
    put_i32(p + H::VGTYP, d.VGTYP3D);
    put_i32(p + H::NCOLS, d.NCOLS3D);
    put_i32(p + H::NROWS, d.NROWS3D);
    put_i32(p + H::NLAYS, d.NLAYS3D);
    put_i32(p + H::NTHIK, d.NTHIK3D);
    put_i32(p + H::NVARS, d.NVARS3D);
    put_i32(p + H::SDATE, d.SDATE3D);
    put_i32(p + H::STIME, d.STIME3D);
    put_i32(p + H::TSTEP, d.TSTEP3D);
    const Grid grid = grid_of(d);
    for (std::size_t i = 0; i < grid.size(); ++i) put_double_text(p + H::GRID + i * H::GRIDLEN, grid[i]);
    put_level_text(p + H::VGTOP, d.VGTOP3D);
    for (std::size_t k = 0; k < level_count(d.NLAYS3D); ++k)
        put_level_text(p + H::VGLVS + k * H::LEVLEN, d.VGLVS3D[k]);
    for (std::size_t v = 0; v < static_cast<std::size_t>(d.NVARS3D); ++v)
        put_i32(p + H::VTYPE + 4 * v, d.VTYPE3D[v]);
    put_text(p + H::GDNAM, d.GDNAM3D);
    put_text(p + H::UPNAM, d.UPNAM3D);
    put_text(p + H::EXECN, d.EXECN3D);
    for (std::size_t l = 0; l < MXDESC3; ++l) {
        put_text(p + H::FDESC + l * MXDLEN3, d.FDESC3D[l]);
        put_text(p + H::UPDSC + l * MXDLEN3, d.UPDSC3D[l]);
    }
    return h;
}

// The names, units or descriptions of n variables back to back.
template <std::size_t N>
std::vector<unsigned char> pack_texts(const std::array<Text<N>, MXVARS3>& texts, int n) {
    std::vector<unsigned char> out(N * static_cast<std::size_t>(n));
    for (std::size_t v = 0; v < static_cast<std::size_t>(n); ++v) put_text(out.data() + N * v, texts[v]);
    return out;
}

// Parses the texts of the nine grid doubles.
bool parse_grid_texts(const unsigned char* h, Grid& grid) {
    for (std::size_t i = 0; i < grid.size(); ++i)
        if (!parse_number(h + H::GRID + i * H::GRIDLEN, H::GRIDLEN, grid[i])) return false;
    return true;
}

// Parses the texts of the model top and of the nlays + 1 level surfaces in use.
bool parse_level_texts(const unsigned char* h, int nlays, float& vgtop, std::array<float, MXLAYS3 + 1>& vglvs) {
    double v = 0;
    if (!parse_number(h + H::VGTOP, H::LEVLEN, v)) return false;
    vgtop = static_cast<float>(v);
    for (std::size_t k = 0; k < level_count(nlays); ++k) {
        if (!parse_number(h + H::VGLVS + k * H::LEVLEN, H::LEVLEN, v)) return false;
        vglvs[k] = static_cast<float>(v);
    }
    return true;
}

// ---- Data segments ----------------------------------------------------------------

struct Segment {
    std::int64_t off;
    std::int64_t bytes;
};

// File segments of variable vid (0 or less: all) and layer lay (0 or less: all)
// of the record at recoff, in buffer order, adjacent ones merged.
std::vector<Segment> data_segments(const BinState& st, std::int64_t recoff, int vid, int lay) {
    std::vector<Segment> segs;
    const int first = vid > 0 ? vid : 1;
    const int last = vid > 0 ? vid : st.nvars;
    const bool one_layer = lay > 0 && layered(st);
    for (int v = first; v <= last; ++v) {
        const auto i = static_cast<std::size_t>(v - 1);
        Segment s{recoff + st.offset[i], st.laysize[i] * stored_layers(st)};
        if (one_layer) s = {recoff + st.offset[i] + st.laysize[i] * (lay - 1), st.laysize[i]};
        if (!segs.empty() && segs.back().off + segs.back().bytes == s.off) segs.back().bytes += s.bytes;
        else segs.push_back(s);
    }
    return segs;
}

bool valid_layer(const BinState& st, int lay, std::string_view op) {
    if (lay > st.nlays && layered(st)) {
        QVMESG(str(op) + ":  invalid layer number " + std::to_string(lay));
        return false;
    }
    return true;
}

// Coordinates move in slices so that no buffer is sized by a count from the file.
constexpr std::size_t COORD_SLICE = 1024;

// Reads the index part of the record at recoff into out, converting the
// profile coordinates to reals; advances out.
bool read_index(const BinState& st, std::int64_t recoff, unsigned char*& out, const std::string& seekmsg,
                const std::string& readmsg) {
    const auto nints = static_cast<std::size_t>(index_values(st, QVINT));
    if (!read_at(st.stream, recoff + flag_bytes(st), out, 4 * nints, seekmsg, readmsg)) return false;
    out += 4 * nints;
    auto left = static_cast<std::size_t>(index_values(st, QVREAL));
    double d[COORD_SLICE];
    while (left > 0) {
        const std::size_t n = std::min(left, COORD_SLICE);
        if (!read_bytes(st.stream, d, n * sizeof(double), readmsg)) return false;
        for (std::size_t k = 0; k < n; ++k) {
            const auto f = static_cast<float>(d[k]);
            std::memcpy(out, &f, sizeof f);
            out += sizeof f;
        }
        left -= n;
    }
    return true;
}

// Writes the index part from in, converting the profile coordinates to doubles; advances in.
bool write_index(const BinState& st, std::int64_t recoff, const unsigned char*& in, const std::string& seekmsg,
                 const std::string& writemsg) {
    const auto nints = static_cast<std::size_t>(index_values(st, QVINT));
    if (!write_at(st.stream, recoff + flag_bytes(st), in, 4 * nints, seekmsg, writemsg)) return false;
    in += 4 * nints;
    auto left = static_cast<std::size_t>(index_values(st, QVREAL));
    double d[COORD_SLICE];
    while (left > 0) {
        const std::size_t n = std::min(left, COORD_SLICE);
        for (std::size_t k = 0; k < n; ++k) {
            float f = 0;
            std::memcpy(&f, in, sizeof f);
            d[k] = static_cast<double>(f);
            in += sizeof f;
        }
        if (!write_bytes(st.stream, d, n * sizeof(double), writemsg)) return false;
        left -= n;
    }
    return true;
}

}  // namespace

// ---- Operations -------------------------------------------------------------------

namespace detail {

const BinState* bin_state(int fid) { return valid_fid(fid) ? state_of(fid) : nullptr; }

std::int64_t bin_read_bytes(int fid, int vid, int lay) {
    const BinState* st = bin_state(fid);
    if (st == nullptr || vid > st->nvars || (lay > st->nlays && layered(*st))) return -1;
    std::int64_t bytes = index_buffer_bytes(*st);
    for (const Segment& s : data_segments(*st, 0, vid, lay)) bytes += s.bytes;
    return bytes;
}

}  // namespace detail

bool detail::INITBIN3(std::string_view version, int rundate, int runtime) {
    BinSettings& set = bin_settings();
    set.version.fill('\0');
    std::copy_n(version.begin(), std::min(version.size(), set.version.size()), set.version.begin());
    set.rundate = rundate;
    set.runtime = runtime;
    set.byteorder = BIN_BYTE_ORDER;
    return true;
}

bool detail::CRTBIN3(std::string_view path, int fid) {
    if (!valid_fid(fid)) {
        QVMESG("CRTBIN3:  bad FID");
        return false;
    }
    std::unique_ptr<BinState> st = new_state("CRTBIN3");
    if (!st) return false;
    const Fdesc3& d = FDESC3;
    const LayoutInput in{d.FTYPE3D, d.GDTYP3D, d.NCOLS3D, d.NROWS3D, d.NLAYS3D, d.NTHIK3D, d.NVARS3D, 0, d.VTYPE3D};
    if (!compute_layout(fid, *st, in)) {
        QVMESG("CRTBIN3:  invalid file specification");
        return false;
    }
    const std::vector<unsigned char> header = build_header(d);
    const std::vector<unsigned char> names = pack_texts(d.VNAME3D, d.NVARS3D);
    const std::vector<unsigned char> units = pack_texts(d.UNITS3D, d.NVARS3D);
    const std::vector<unsigned char> descs = pack_texts(d.VDESC3D, d.NVARS3D);
    if (!open_stream(*st, path, "w+b", "CRTBIN3")) return false;
    const bool written =
        write_bytes(st->stream, header.data(), header.size(), "CRTBIN3:  fwrite( HEADER ) failure") &&
        write_bytes(st->stream, names.data(), names.size(), "CRTBIN3:  fwrite( HEADER VNAME ) failure") &&
        write_bytes(st->stream, units.data(), units.size(), "CRTBIN3:  fwrite( HEADER UNITS ) failure") &&
        write_bytes(st->stream, descs.data(), descs.size(), "CRTBIN3:  fwrite( HEADER VDESC ) failure");
    if (!written) {
        close_after_failure(*st, "CRTBIN3");
        return false;
    }
    FileSlot& s = slot(fid);
    if (s.volat && (std::fflush(st->stream) != 0 || fsync(fileno(st->stream)) != 0)) {
        report_sys("CRTBIN3:  fsync( HEADER VDESC ) failure", errno);
        close_after_failure(*st, "CRTBIN3");
        return false;
    }
    set_grid(s, grid_of(d));
    s.sdate = d.SDATE3D;
    s.stime = d.STIME3D;
    s.tstep = d.TSTEP3D;
    s.gdnam = d.GDNAM3D;
    s.vgtyp = d.VGTYP3D;
    s.vgtop = d.VGTOP3D;
    s.vglvs = d.VGLVS3D;
    for (std::size_t v = 0; v < s.vars.size(); ++v) {
        s.vars[v].name = d.VNAME3D[v];
        s.vars[v].units = d.UNITS3D[v];
    }
    st->lastop = 1;
    slot(fid).state = std::move(st);
    return true;
}

bool detail::OPNBIN3(std::string_view path, int fid, int fstatus, std::string_view /*pgname*/) {
    if (!valid_fid(fid)) {
        QVMESG("OPNBIN3:  bad FID");
        return false;
    }
    std::unique_ptr<BinState> st = new_state("OPNBIN3");
    if (!st) return false;
    if (!open_stream(*st, path, fstatus == FSRDONLY3 ? "rb" : "r+b", "OPNBIN3")) return false;
    std::vector<unsigned char> hdr(H::SIZE);
    const unsigned char* h = hdr.data();
    if (!read_at(st->stream, 0, hdr.data(), hdr.size(), "OPNBIN3:  fseeko( HEADER ) failure",
                 "OPNBIN3:  fread( HEADER ) failure")) {
        close_after_failure(*st, "OPNBIN3");
        return false;
    }
    if (get_i32(h + H::BYTEORDER) != bin_settings().byteorder) QVWARN("OPNBIN3", 0, 0, "Byte-order mismatch");

    const int nvars = get_i32(h + H::NVARS);
    if (nvars > MXVARS3) {
        QVMESG("CRTBIN3:  max NVARS exceeded for this build");
        close_after_failure(*st, "OPNBIN3");
        return false;
    }
    std::array<int, MXVARS3> vtypes{};
    for (std::size_t v = 0; v < static_cast<std::size_t>(std::max(nvars, 0)); ++v)
        vtypes[v] = get_i32(h + H::VTYPE + 4 * v);
    st->intsize = get_i32(h + H::INTSIZE);
    st->realsize = get_i32(h + H::REALSIZE);
    st->dblesize = get_i32(h + H::DBLESIZE);
    const LayoutInput in{get_i32(h + H::FTYPE), get_i32(h + H::GDTYP), get_i32(h + H::NCOLS),
                         get_i32(h + H::NROWS), get_i32(h + H::NLAYS), get_i32(h + H::NTHIK),
                         nvars,                 get_i32(h + H::MXREC), vtypes};
    if (!compute_layout(fid, *st, in)) {
        QVMESG("OPNBIN3:  invalid file specification");
        close_after_failure(*st, "OPNBIN3");
        return false;
    }
    FileSlot& s = slot(fid);
    Grid grid{};
    if (!parse_grid_texts(h, grid) || !parse_level_texts(h, in.nlays, s.vgtop, s.vglvs)) {
        QVMESG("OPNBIN3:  bad number text in HEADER");
        close_after_failure(*st, "OPNBIN3");
        return false;
    }
    set_grid(s, grid);
    s.vgtyp = get_i32(h + H::VGTYP);
    s.sdate = get_i32(h + H::SDATE);
    s.stime = get_i32(h + H::STIME);
    s.tstep = get_i32(h + H::TSTEP);
    get_text(h + H::GDNAM, s.gdnam);

    const auto n = static_cast<std::size_t>(nvars);
    std::vector<unsigned char> names(NAMLEN3 * n), units(NAMLEN3 * n);
    if (!read_at(st->stream, H::SIZE, names.data(), names.size(), "OPNBIN3:  fseeko( HEADER VNAME ) failure",
                 "CRTBIN3:  fread( HEADER VNAME ) failure") ||
        !read_bytes(st->stream, units.data(), units.size(), "OPNBIN3:  fread( HEADER UNITS ) failure")) {
        close_after_failure(*st, "OPNBIN3");
        return false;
    }
    for (std::size_t v = 0; v < n; ++v) {
        get_text(names.data() + NAMLEN3 * v, s.vars[v].name);
        get_text(units.data() + NAMLEN3 * v, s.vars[v].units);
    }
    if (!count_fits(*st, in.mxrec)) {
        QVMESG("OPNBIN3:  record count " + std::to_string(in.mxrec) + " beyond the end of the file");
        close_after_failure(*st, "OPNBIN3");
        return false;
    }
    st->lastop = 2;
    slot(fid).state = std::move(st);
    return true;
}

bool detail::DSCBIN3(int fid) {
    BinState* st = open_state(fid, "DSCBIN3");
    if (st == nullptr) return false;
    std::vector<unsigned char> hdr(H::SIZE);
    const unsigned char* h = hdr.data();
    if (!read_at(st->stream, 0, hdr.data(), hdr.size(), "DSCBIN3:  fseeko( HEADER ) failure",
                 "DSCBIN3:  fread( HEADER ) failure"))
        return false;
    if (get_i32(h + H::NVARS) != st->nvars || get_i32(h + H::FTYPE) != st->ftype ||
        get_i32(h + H::NLAYS) != st->nlays || get_i32(h + H::NCOLS) != st->ncols ||
        get_i32(h + H::NROWS) != st->nrows || get_i32(h + H::NTHIK) != st->nthik) {
        QVMESG("DSCBIN3:  HEADER changed since the file was opened");
        return false;
    }
    const int count = get_i32(h + H::MXREC);
    if (!count_fits(*st, count)) {
        QVMESG("DSCBIN3:  invalid record count " + std::to_string(count));
        return false;
    }
    Fdesc3& d = FDESC3;
    if (!parse_level_texts(h, st->nlays, d.VGTOP3D, d.VGLVS3D)) {
        QVMESG("DSCBIN3:  bad number text in HEADER");
        return false;
    }
    st->mxrec = count;
    slot(fid).mxrec = count;
    d.MXREC3D = count;
    get_text(h + H::UPNAM, d.UPNAM3D);
    get_text(h + H::EXECN, d.EXECN3D);
    for (std::size_t l = 0; l < MXDESC3; ++l) {
        get_text(h + H::FDESC + l * MXDLEN3, d.FDESC3D[l]);
        get_text(h + H::UPDSC + l * MXDLEN3, d.UPDSC3D[l]);
    }
    d.CDATE3D = get_i32(h + H::CDATE);
    d.CTIME3D = get_i32(h + H::CTIME);
    d.WDATE3D = get_i32(h + H::WDATE);
    d.WTIME3D = get_i32(h + H::WTIME);
    d.VGTYP3D = get_i32(h + H::VGTYP);

    const auto n = static_cast<std::size_t>(st->nvars);
    std::vector<unsigned char> texts((2 * NAMLEN3 + MXDLEN3) * n);
    unsigned char* names = texts.data();
    unsigned char* units = names + NAMLEN3 * n;
    unsigned char* descs = units + NAMLEN3 * n;
    if (!read_bytes(st->stream, names, NAMLEN3 * n, "DSCBIN3:  fread( HEADER VNAME ) failure") ||
        !read_bytes(st->stream, units, NAMLEN3 * n, "DSCBIN3:  fread( HEADER UNITS ) failure") ||
        !read_bytes(st->stream, descs, MXDLEN3 * n, "DSCBIN3:  fread( HEADER VDESC ) failure"))
        return false;
    for (std::size_t v = 0; v < n; ++v) {
        get_text(names + NAMLEN3 * v, d.VNAME3D[v]);
        get_text(units + NAMLEN3 * v, d.UNITS3D[v]);
        get_text(descs + MXDLEN3 * v, d.VDESC3D[v]);
    }
    return true;
}

bool detail::RDBFLAG(int fid, int vid, int rec, std::span<int> flags) {
    BinState* st = open_state(fid, "RDBFLAG");
    std::int64_t off = 0;
    if (st == nullptr || !valid_vid(vid, flag_pairs(*st), "RDBFLAG") || !valid_record(*st, rec, off, "RDBFLAG"))
        return false;
    const int npairs = vid > 0 ? 1 : flag_pairs(*st);
    if (flags.size() < 2 * static_cast<std::size_t>(npairs)) {
        QVMESG("RDBFLAG:  flag buffer too small");
        return false;
    }
    if (vid > 0) off += 8 * static_cast<std::int64_t>(vid - 1);
    std::vector<unsigned char> bytes(8 * static_cast<std::size_t>(npairs));
    if (!read_at(st->stream, off, bytes.data(), bytes.size(), "RDBFLAG:  fseeko( TIMESTEP HEADER ) failure",
                 "RDBFLAG:  fread( TIMESTEP HEADER ) failure"))
        return false;
    for (std::size_t i = 0; i < 2 * static_cast<std::size_t>(npairs); ++i) flags[i] = get_i32(bytes.data() + 4 * i);
    st->lastop = 2;
    return true;
}

bool detail::WRBFLAG(int fid, int vid, int rec, std::span<const int> flags) {
    BinState* st = open_state(fid, "WRBFLAG");
    std::int64_t off = 0;
    if (st == nullptr || !valid_vid(vid, flag_pairs(*st), "WRBFLAG") || !valid_record(*st, rec, off, "WRBFLAG"))
        return false;
    if (flags.size() < 2) {
        QVMESG("WRBFLAG:  flag buffer too small");
        return false;
    }
    // A record written for the first time gets every pair: the pairs this call
    // does not cover are marked missing, so that they never pass for a flag
    // that was written.
    const bool new_record = rec > st->mxrec;
    const int first = vid > 0 ? vid : 1;
    const int last = vid > 0 ? vid : flag_pairs(*st);
    const int from = new_record ? 1 : first;
    const int to = new_record ? flag_pairs(*st) : last;
    std::vector<unsigned char> bytes(8 * static_cast<std::size_t>(to - from + 1));
    for (int p = from; p <= to; ++p) {
        unsigned char* b = bytes.data() + 8 * static_cast<std::size_t>(p - from);
        const bool covered = p >= first && p <= last;
        put_i32(b, covered ? flags[0] : IMISS3);
        put_i32(b + 4, covered ? flags[1] : IMISS3);
    }
    off += 8 * static_cast<std::int64_t>(from - 1);
    if (!write_at(st->stream, off, bytes.data(), bytes.size(), "RDBFLAG:  fseeko( TIMESTEP HEADER ) failure",
                  "WRBFLAG:  fwrite( TIMESTEP HEADER ) failure"))
        return false;
    if (new_record) {
        unsigned char count[4];
        put_i32(count, rec);
        if (!write_at(st->stream, static_cast<std::int64_t>(H::MXREC), count, sizeof count,
                      "WRBFLAG:  fseeko( MXREC ) failure", "RDBFLAG:  fwrite( MXREC ) failure"))
            return false;
        st->mxrec = rec;
        slot(fid).mxrec = rec;
    }
    st->lastop = 2;
    return true;
}

bool detail::RDBVARS(int fid, int vid, int lay, int rec, void* buffer) {
    BinState* st = open_state(fid, "RDBVARS");
    std::int64_t recoff = 0;
    if (st == nullptr || !valid_vid(vid, st->nvars, "RDBVARS") || !valid_layer(*st, lay, "RDBVARS") ||
        !valid_record(*st, rec, recoff, "RDBVARS"))
        return false;
    const bool whole = has_index(*st) || (vid <= 0 && lay <= 0);
    const std::string what = whole ? "TIMESTEP" : "V-TIMESTEP";
    const std::string seekmsg = "RDBVARS:  fseeko( " + what + " ) failure";
    const std::string readmsg = "RDBVARS:  fread( " + what + " ) failure";
    auto* out = static_cast<unsigned char*>(buffer);
    if (has_index(*st) && !read_index(*st, recoff, out, seekmsg, readmsg)) return false;
    for (const Segment& s : data_segments(*st, recoff, vid, lay)) {
        if (!read_at(st->stream, s.off, out, static_cast<std::size_t>(s.bytes), seekmsg, readmsg)) return false;
        out += s.bytes;
    }
    st->lastop = 2;
    return true;
}

bool detail::WRBVARS(int fid, int vid, int rec, const void* buffer) {
    BinState* st = open_state(fid, "WRBVARS");
    std::int64_t recoff = 0;
    if (st == nullptr || !valid_vid(vid, st->nvars, "WRBVARS") || !valid_record(*st, rec, recoff, "WRBVARS"))
        return false;
    const std::string seekmsg = "WRBVARS:  fseeko( TIMESTEP ) failure";
    const std::string writemsg = "WRBVARS:  fwrite( TIMESTEP ) failure";
    const auto* in = static_cast<const unsigned char*>(buffer);
    if (has_index(*st) && !write_index(*st, recoff, in, seekmsg, writemsg)) return false;
    for (const Segment& s : data_segments(*st, recoff, vid, 0)) {
        if (!write_at(st->stream, s.off, in, static_cast<std::size_t>(s.bytes), seekmsg, writemsg)) return false;
        in += s.bytes;
    }
    st->lastop = 2;
    return true;
}

bool detail::FLUSHBIN3(int fid) {
    BinState* st = open_state(fid, "FLUSHBIN3");
    if (st == nullptr) return false;
    if (std::fflush(st->stream) != 0 || fsync(fileno(st->stream)) != 0) {
        report_sys("FLUSHBIN3:  fsync() failure", errno);
        return false;
    }
    return true;
}

bool detail::CLOSEBIN3(int fid) {
    BinState* st = open_state(fid, "CLOSEBIN3");
    if (st == nullptr) return false;
    const int status = std::fclose(st->stream);
    const int err = errno;
    st->stream = nullptr;
    if (state_of(fid) != nullptr) slot(fid).state.reset();
    if (status != 0) {
        report_sys("CLOSEBIN3:  fclose() failure", err);
        return false;
    }
    return true;
}

}  // namespace orvex
