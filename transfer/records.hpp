// The record movers of the file types (RDCUSTOM/WRCUSTOM, RDGRDDED/WRGRDDED,
// RDBNDARY/WRBNDARY, RDIDDATA/WRIDDATA, RDPROFIL/WRPROFIL, RDGRNEST/WRGRNEST,
// RDSMATRX/WRSMATRX): one reader and one writer driven by the record shapes
// and index parts of the file-type table.
#pragma once

#include "gridfile/filetypes.hpp"
#include "gridfile/state3.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

// The length of an extent for an open file.
int extent_length(const FileSlot& s, Extent e);

// Words of the index part at the front of a record's buffer.
long long index_words(const FileSlot& s, const FileType& t);

// Data hyperslab of a record: `layers` layers from `layer` on (ignored for
// types without a layer dimension) at record slot step. Returns the elements
// per variable, or -1 when they are not a 32-bit count (a header whose record
// is too large for one transfer).
int data_slab(const FileSlot& s, const FileType& t, int layer, int layers, int step, Hyperslab& slab);

// The readers: variable vid (ALLVARS: all), layer (ALLAYS3: all), record slot step.
bool read_record(int fid, int vid, int layer, int step, void* buffer);
// The writers: all layers of variable vid (ALLVARS: all) with its flag pair.
bool write_record(int fid, int vid, const FlagPair& flag, int step, const void* buffer);

}  // namespace orvex::detail
