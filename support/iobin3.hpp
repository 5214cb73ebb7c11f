// Native binary files: a gridded file kept as one header holding the whole
// file description, followed by fixed-size time-step records, reached through
// plain byte offsets on a buffered stream. A slot whose path begins with "BIN:"
// is of the native binary storage kind; its file is created, opened,
// described, read, written, flushed and closed here.
//
// Every operation takes the slot index FID and returns true on success; a
// failure is reported with QVMESG (and, after a failed system call, the
// system's description of the error on standard error) and never ends the run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "gridfile/state3.hpp"
#include "orvex/parms3.hpp"

namespace orvex::detail {

// Sets the format settings written into every header from now on: a version
// text (16 bytes), a run date and time, and the byte-order mark. Until it is
// called these are zero bytes and zeros.
bool INITBIN3(std::string_view version, int rundate, int runtime);

// Creates (or truncates) the file at path for slot fid from FDESC3.
bool CRTBIN3(std::string_view path, int fid);
// Opens the existing file at path into slot fid: read-only for FSRDONLY3,
// read/write otherwise. The header is checked before it is used.
bool OPNBIN3(std::string_view path, int fid, int fstatus, std::string_view pgname);
// Fills the FDESC3 fields that the table does not keep from the file's header.
bool DSCBIN3(int fid);

// Time flags of record rec: the pair of variable vid, or for vid 0 or less
// every pair of the record (2 * max(NVARS, 1) integers).
bool RDBFLAG(int fid, int vid, int rec, std::span<int> flags);
// Writes the pair flags[0..1] into the pair of variable vid, or into every
// pair of the record for vid 0 or less; raises the record count to rec.
bool WRBFLAG(int fid, int vid, int rec, std::span<const int> flags);

// Data of record rec into buffer, laid out as READ3's buffer: the index part
// (id-data, profile, sparse-matrix files), then variable vid (0 or less: every
// variable in order), each with all its layers (lay 0 or less) or layer lay.
bool RDBVARS(int fid, int vid, int lay, int rec, void* buffer);
// Data of record rec from buffer, laid out as WRITE3's buffer: the index part,
// then all layers of variable vid (0 or less: every variable in order).
bool WRBVARS(int fid, int vid, int rec, const void* buffer);

// Forces the file's data to disk.
bool FLUSHBIN3(int fid);
// Closes the file and drops its state.
bool CLOSEBIN3(int fid);

// Byte offsets of the fixed header.
namespace binhdr {
inline constexpr std::size_t MXREC = 0;
inline constexpr std::size_t VERSION = 4;
inline constexpr std::size_t BYTEORDER = 20;
inline constexpr std::size_t INTSIZE = 24;
inline constexpr std::size_t REALSIZE = 28;
inline constexpr std::size_t DBLESIZE = 32;
inline constexpr std::size_t CDATE = 36;
inline constexpr std::size_t CTIME = 40;
inline constexpr std::size_t WDATE = 44;
inline constexpr std::size_t WTIME = 48;
inline constexpr std::size_t FTYPE = 52;
inline constexpr std::size_t GDTYP = 56;
inline constexpr std::size_t VGTYP = 60;
inline constexpr std::size_t NCOLS = 64;
inline constexpr std::size_t NROWS = 68;
inline constexpr std::size_t NLAYS = 72;
inline constexpr std::size_t NTHIK = 76;
inline constexpr std::size_t NVARS = 80;
inline constexpr std::size_t SDATE = 84;
inline constexpr std::size_t STIME = 88;
inline constexpr std::size_t TSTEP = 92;
inline constexpr std::size_t GRID = 96;        // nine "%27.19e" texts with a zero byte
inline constexpr std::size_t GRIDLEN = 28;
inline constexpr std::size_t VGTOP = 348;      // "%15.9e" text, zero byte when it fits
inline constexpr std::size_t LEVLEN = 16;
inline constexpr std::size_t VGLVS = 364;      // MXLAYS3 + 1 level texts
inline constexpr std::size_t VTYPE = 1980;     // MXVARS3 integers
inline constexpr std::size_t GDNAM = 10172;
inline constexpr std::size_t UPNAM = 10188;
inline constexpr std::size_t EXECN = 10204;
inline constexpr std::size_t FDESC = 10284;
inline constexpr std::size_t UPDSC = 15084;
inline constexpr std::size_t SIZE = 19884;     // the fixed header
inline constexpr std::size_t PERVAR = 112;     // name, units and description after it
}  // namespace binhdr

// The byte-order mark: its little-endian bytes are 0, 1, 2, 3.
inline constexpr std::int32_t BIN_BYTE_ORDER = 50462976;

// Format settings of the layer (INITBIN3).
struct BinSettings {
    std::array<char, 16> version{};
    int rundate = 0;
    int runtime = 0;
    int byteorder = 0;
};
BinSettings& bin_settings();

// State of one open native binary file, owned by its slot.
struct BinState final : KindState {
    std::int64_t hdrsize = 0;  // offset of record 1
    std::int64_t recsize = 0;  // bytes of one record
    std::array<std::int64_t, MXVARS3> laysize{};  // bytes of one layer of each variable
    std::array<std::int64_t, MXVARS3> offset{};   // offset of each variable inside a record
    std::int64_t intsize = 4, realsize = 4, dblesize = 8;
    std::FILE* stream = nullptr;
    int lastop = 0;  // 1 created, 2 opened or transferred
    int ftype = 0, ncols = 0, nrows = 0, nlays = 0, nthik = 0, nvars = 0, mxrec = 0;
    std::array<int, MXVARS3> vtype{};

    BinState() = default;
    BinState(const BinState&) = delete;
    BinState& operator=(const BinState&) = delete;
    ~BinState();
};

// The state of slot fid, or null when no binary file is open there.
const BinState* bin_state(int fid);

// Bytes that RDBVARS moves into the buffer for variable vid and layer lay
// (as RDBVARS reads them); -1 when there is no such request.
std::int64_t bin_read_bytes(int fid, int vid, int lay);

struct Hyperslab;

// The binary branches of the hyperslab movers RDVARS and WRVARS: the request
// (fastest dimension first, the record slot last) becomes RDBVARS calls, or a
// WRBVARS and a WRBFLAG call, with the movers' own failure lines. vid 0 or
// less means every variable.
bool bin_read_vars(int fid, int vid, const Hyperslab& slab, void* buffer);
bool bin_write_vars(int fid, int vid, std::span<const int> flag, int step, const Hyperslab& slab,
                    const void* buffer);

}  // namespace orvex::detail
