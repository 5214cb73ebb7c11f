// Hand-offs of READ3, WRITE3 and their movers to the storage kinds that are
// not plain netCDF datasets: buffered (in-memory) files, file-set lists,
// native binary files and dictionary files. Each kind is reached only through
// the functions below, so that the piece that implements it replaces just
// their bodies.
#pragma once

#include <string_view>

#include "transfer/transfer.hpp"

namespace orvex::detail {

// Buffered files: READ3 and WRITE3 after their argument checks.
bool buffered_read(int fid, int vid, int layer, int jdate, int jtime, void* buffer);
bool buffered_write(int fid, int vid, int jdate, int jtime, int step, const void* buffer);

// Dictionary files: the entry named by the variable-name argument.
bool dictionary_read(int fid, std::string_view entry);
bool dictionary_write(int fid, std::string_view entry);

// File-set lists: replaces fid by the member whose records hold jdate:jtime,
// reporting when none does.
bool list_member(int& fid, int vid, int jdate, int jtime);

// Native binary files. Flags: the pair of variable vid, or every pair of the
// record (vid ALLVARS, max(NVARS, 1) pairs) into pairs. Data: the binary
// branches of RDVARS and WRVARS, with their own diagnostics.
bool binary_read_flags(int fid, int vid, int step, int* pairs);
bool binary_write_flag(int fid, int vid, const FlagPair& flag, int step);
bool binary_read_vars(int fid, int vid, const Hyperslab& slab, int delta, void* buffer);
bool binary_write_vars(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int delta,
                       const void* buffer);

}  // namespace orvex::detail
