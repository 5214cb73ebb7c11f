// Record layouts of the file types: one table of data shapes and index parts
// drives every reader and writer (RDCUSTOM/WRCUSTOM, RDGRDDED/WRGRDDED,
// RDBNDARY/WRBNDARY, RDIDDATA/WRIDDATA, RDPROFIL/WRPROFIL, RDGRNEST/WRGRNEST,
// RDSMATRX/WRSMATRX are the rows of that table).
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "gridfile/state3.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

// A length of the file's description.
enum class Extent : unsigned char {
    One,    // a single value
    Cols,   // NCOLS
    Rows,   // NROWS
    Perim,  // boundary cells per layer: 2 |NTHIK| (NCOLS + NROWS + 2 NTHIK)
};

// One array of a record's index part. Its netCDF variable is the auxiliary
// variable of the same position in the slot's auxiliary ids (nindx).
struct IndexArray {
    std::string_view var;        // netCDF variable name
    int vtype;                   // QVINT, QVREAL or QVDBLE
    Extent length;               // One: one value per record, indexed by the record alone
    std::string_view read_msg;   // reader's failure text, followed by the logical name
    std::string_view write_msg;  // writer's failure text, followed by the logical name
};

// The record of one file type.
struct RecordShape {
    int ftype;
    std::string_view reader;          // caller tag of the reader's warnings
    std::string_view writer;          // writer's name in its warning block
    std::array<Extent, 2> extents;    // data dimensions below the layer, fastest first
    int nextents;
    bool layered;                     // data variables have a layer dimension
    bool by_variable;                 // WRITE3 may write a single variable
    std::span<const IndexArray> index;
};

// The row of a file type, or nullptr for a type without records of this kind
// (KFEVNT3, DGRAPH3, DCTNRY3, unknown codes).
const RecordShape* record_shape(int ftype);

// The length of an extent for an open file.
int extent_length(const FileSlot& s, Extent e);

// Words of the index part at the front of a record's buffer.
long long index_words(const FileSlot& s, const RecordShape& shape);

// Data hyperslab of a record: `layers` layers from `layer` on (ignored for
// types without a layer dimension) at record slot step. Returns the elements
// per variable, or -1 when they are not a 32-bit count (a header whose record
// is too large for one transfer).
int data_slab(const FileSlot& s, const RecordShape& shape, int layer, int layers, int step, Hyperslab& slab);

// The readers: variable vid (ALLVARS: all), layer (ALLAYS3: all), record slot step.
bool read_record(int fid, int vid, int layer, int step, void* buffer);
// The writers: all layers of variable vid (ALLVARS: all) with its flag pair.
bool write_record(int fid, int vid, const FlagPair& flag, int step, const void* buffer);

}  // namespace orvex::detail
