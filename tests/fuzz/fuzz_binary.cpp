// Fuzz target: opening a native binary file whose header and records were
// tampered with.
//
// At start-up the layer writes one small native binary file of every type
// that form keeps (the base files). An input is a recipe: its first byte picks
// a base file, and every following group of eight bytes is one edit of its
// bytes: a 32-bit field of the fixed header (record count, sizes, type,
// extents, variable count, dates, step), a variable's type, the text of a
// grid double or of a level, any byte or 32-bit word of the header, names or
// records, the file cut short or lengthened. The edited file is taken through
// a reader's pass read-only, then read/write (with one record written back).
//
// Edit: op, a, b, c, then a 32-bit little-endian value v.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/iobin3.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/seed_files.hpp"

namespace {

namespace H = orvex::detail::binhdr;

const char* const FILE_NAME = "OFZBIN";

std::vector<std::vector<std::uint8_t>> g_bases;
std::string g_path;

// The 32-bit fields of the fixed header, in header order.
constexpr std::size_t INT_FIELDS[] = {H::MXREC, H::BYTEORDER, H::INTSIZE, H::REALSIZE, H::DBLESIZE, H::FTYPE,
                                      H::GDTYP, H::VGTYP,     H::NCOLS,   H::NROWS,    H::NLAYS,    H::NTHIK,
                                      H::NVARS, H::SDATE,     H::STIME,   H::TSTEP};

std::vector<std::uint8_t> slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::int32_t le32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                                     (std::uint32_t{p[3]} << 24));
}

void put_le32(std::vector<std::uint8_t>& f, std::size_t off, std::int32_t v) {
    if (off + 4 > f.size()) return;
    for (int k = 0; k < 4; ++k) f[off + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k));
}

// A number text in a slot of `width` bytes: formatted with a zero byte, or
// the whole slot filled with one character and no terminator.
void put_number_text(std::vector<std::uint8_t>& f, std::size_t off, std::size_t width, std::uint8_t how,
                     std::uint8_t fill, std::int32_t v) {
    if (off + width > f.size()) return;
    if ((how & 1) != 0) {
        char text[64];
        std::snprintf(text, sizeof text, (how & 2) != 0 ? "%27.19e" : "%15.9e", static_cast<double>(v) / 16.0);
        for (std::size_t k = 0; k < width; ++k) f[off + k] = k < sizeof text ? static_cast<std::uint8_t>(text[k]) : 0;
        if ((how & 4) == 0) f[off + width - 1] = 0;
    } else {
        for (std::size_t k = 0; k < width; ++k) f[off + k] = fill;
    }
}

void edit(std::vector<std::uint8_t>& f, const std::uint8_t* e) {
    const std::uint8_t a = e[1], b = e[2], c = e[3];
    const std::int32_t v = le32(e + 4);
    const std::size_t where = std::size_t{a} | (std::size_t{b} << 8) | (std::size_t{c} << 16);
    switch (e[0] % 8) {
        case 0: put_le32(f, INT_FIELDS[a % (sizeof INT_FIELDS / sizeof INT_FIELDS[0])], v); break;
        case 1: put_le32(f, H::VTYPE + 4 * (a % 8), v); break;
        case 2: put_number_text(f, H::GRID + (a % 9) * H::GRIDLEN, H::GRIDLEN, b | 2, c, v); break;
        case 3: put_number_text(f, a == 0 ? H::VGTOP : H::VGLVS + ((a - 1) % 101) * H::LEVLEN, H::LEVLEN, b & ~2, c, v); break;
        case 4:
            if (!f.empty()) f[where % f.size()] = static_cast<std::uint8_t>(v);
            break;
        case 5:
            if (!f.empty()) put_le32(f, (where % f.size()) & ~std::size_t{3}, v);
            break;
        case 6: f.resize(where % (f.size() + 1)); break;
        default: f.resize(f.size() + (static_cast<std::uint32_t>(v) & 0xffff), c); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvex_fuzz::quiet_layer();
    for (const std::string& path : orvex_fuzz::write_bases(orvex_fuzz::scratch_dir(), true))
        g_bases.push_back(slurp(path));
    g_path = orvex_fuzz::scratch_path("input.bin");
    ::setenv(FILE_NAME, ("BIN:" + g_path).c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 8 * 64 + 1) return 0;
    std::vector<std::uint8_t> file = g_bases[data[0] % g_bases.size()];
    for (std::size_t i = 1; i + 8 <= size; i += 8) edit(file, data + i);
    orvex_fuzz::write_file(g_path, file.data(), file.size());

    const int fds = orvex_fuzz::open_fds();
    const bool read_only = orvex_fuzz::open_pass(FILE_NAME, orvex::FSRDONLY3);
    orvex_fuzz::write_file(g_path, file.data(), file.size());
    const bool read_write = orvex_fuzz::open_pass(FILE_NAME, orvex::FSRDWR3);
    // A base file left as the layer wrote it opens both ways.
    if (size == 1) orvex_fuzz::require(read_only && read_write, "an unedited base file does not open");
    orvex_fuzz::shut_and_check(fds);
    return 0;
}
