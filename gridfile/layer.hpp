// Internal operations of the file layer: creation and opening of one slot's
// file, the open report, and the small helpers the operations share.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "orvex/text.hpp"

namespace orvex::detail {

// Creates the file at path for slot fid from FDESC3 (and FDATT3 for GRDATT3).
bool CRTFIL3(std::string_view path, int fid, std::string_view pgname);
// Opens the existing file at path into slot fid; writable 1 for read/write, 0 read-only.
bool OPNFIL3(std::string_view path, int fid, int writable, std::string_view pgname);
// Writes the open report of slot fid; eqname is the resolved path, fstatus the open status.
void OPNLOG3(int fid, std::string_view eqname, int fstatus);

// The netCDF parts of creation, opening and describing (called through the
// netCDF storage kind).
bool create_netcdf(std::string_view path, int fid, std::string_view pgname);
bool open_netcdf(std::string_view path, int fid, bool writable, std::string_view pgname);
bool describe_netcdf(int fid);
// The header steps alone, on the dataset already in slot fid's handle (through
// the slot's library calls): the whole header of a new file from FDESC3, and
// the table fields read back from an existing one.
bool write_header(int fid, std::string_view pgname);
bool read_header(int fid, bool writable, std::string_view pgname);

// The header-check switch ORVEX_CHECK_HEADERS, read on the first call by the
// given routine ("CKDESC3" or "CKFILE3") and kept for the rest of the run.
bool header_checks(std::string_view caller, int& once);

// A warning block of the message layer: a blank line, the heading
// ">>--->> WARNING in subroutine " + caller, the lines, a blank line.
void warn_block(std::string_view caller, std::initializer_list<std::string> lines);

// Logical name of slot fid without trailing blanks.
std::string lname(int fid);

}  // namespace orvex::detail
