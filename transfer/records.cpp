// The table of record layouts and the one reader and writer that it drives.
#include "transfer/records.hpp"

#include <netcdf.h>

#include <climits>
#include <cstddef>
#include <cstdlib>

#include "gridfile/layout.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"

namespace orvex::detail {

namespace {

using enum Extent;

constexpr IndexArray IDDATA_INDEX[] = {
    {"ID-COUNT", QVINT, One, "Error reading count for file ", "Error writing site count to file "},
    {"ID", QVINT, Rows, "Error reading ID list for file ", "Error writing site ID list to file "},
};

constexpr IndexArray PROFIL_INDEX[] = {
    {"ID-COUNT", QVINT, One, "Error reading site count for file ", "Error writing site count to file "},
    {"ID", QVINT, Rows, "Error reading ID list for file ", "Error writing ID list to file "},
    {"LEVEL-COUNT", QVINT, Rows, "Error reading profile-count for file ", "Error writing level count list to file "},
    {"X", QVREAL, Rows, "Error reading X-coordinate for file ", "Error writing X-coordinate list to file "},
    {"Y", QVREAL, Rows, "Error reading Y-coordinate for file ", "Error writing Y-coordinate list to file "},
    {"Z", QVREAL, Rows, "Error reading Z-coordinate for file ", "Error writing Z-coordinate list to file "},
};

constexpr IndexArray GRNEST_INDEX[] = {
    {"ID-COUNT", QVINT, One, "Error reading count for file ", "Error writing site count to file "},
    {"ID", QVINT, Rows, "Error reading ID list for file ", "Error writing ID list to file "},
    {"WIN-COLS", QVINT, Rows, "Error reading site column count for file ",
     "Error writing site column count list to file "},
    {"WIN-ROWS", QVINT, Rows, "Error reading site row count for file ", "Error writing site row count list to file "},
    {"WIN-LEVS", QVINT, Rows, "Error reading level count for file ", "Error writing level count list to file "},
    {"X", QVDBLE, Rows, "Error reading X coord for file ", "Error writing X-coordinate list to file "},
    {"Y", QVDBLE, Rows, "Error reading Y coord for file ", "Error writing Y-coordinate list to file "},
    {"DX", QVDBLE, Rows, "Error reading cell DX for file ", "Error writing cellsize DX list to file "},
    {"DY", QVDBLE, Rows, "Error reading cell DY for file ", "Error writing cellsize DY list to file "},
};

constexpr IndexArray SMATRX_INDEX[] = {
    {"COL-COUNT", QVINT, Rows, "Error reading MAXROW for file ", "Error writing max-col-count array to file "},
    {"COEFF-INDEX", QVINT, Cols, "Error reading ROW INDEX for file ", "Error writing column-index array to file "},
};

// Grid-nest variables are (TSTEP, SITE-NO, LEVEL): no layer dimension, so a
// grid-nest record moves NCOLS x NROWS values per variable whatever layer is
// asked for. A single-variable sparse-matrix write moves the index part and
// that one variable.
constexpr RecordShape SHAPES[] = {
    {CUSTOM3, "READ3/RDCUSTOM", "WRCUSTOM", {Cols, One}, 1, true, true, {}},
    {GRDDED3, "READ3/RDGRDDED", "WRGRDDED", {Cols, Rows}, 2, true, true, {}},
    {BNDARY3, "READ3/RDBNDARY", "WRBNDARY", {Perim, One}, 1, true, true, {}},
    {IDDATA3, "READ3/RDIDDATA", "WRIDDATA", {Rows, One}, 1, true, false, IDDATA_INDEX},
    {PROFIL3, "READ3/RDPROFILE", "WRPROFIL", {Cols, Rows}, 2, true, false, PROFIL_INDEX},
    {GRNEST3, "READ3/RDGRNEST", "WRGRNEST", {Cols, Rows}, 2, false, false, GRNEST_INDEX},
    {SMATRX3, "READ3/RDSMATRX", "WRSMATRX", {Cols, One}, 1, false, true, SMATRX_INDEX},
    {GRDATT3, "READ3/RDGRDDED", "WRGRDDED", {Cols, Rows}, 2, true, false, {}},
    {PTRFLY3, "READ3/RDGRDDED", "WRGRDDED", {Cols, Rows}, 2, true, false, {}},
};

std::size_t bytes(long long elements, int vtype) {
    return static_cast<std::size_t>(elements) * static_cast<std::size_t>(words_per_element(vtype)) * 4;
}

// Hyperslab of index array k at record slot step.
Hyperslab index_slab(const FileSlot& s, const IndexArray& a, int step) {
    Hyperslab slab;
    if (a.length != One) slab.add(1, extent_length(s, a.length));
    slab.add(step, 1);
    return slab;
}

bool read_index(const FileSlot& s, const RecordShape& shape, int step, std::byte* out) {
    for (std::size_t k = 0; k < shape.index.size(); ++k) {
        const IndexArray& a = shape.index[k];
        const int status = get_slab(s.cdfid, s.nindx[k], index_slab(s, a, step), a.vtype, out);
        if (status != NC_NOERR) {
            QVMSG2("netCDF error number" + fmt_I(status, 5));
            QVWARN(shape.reader, 0, 0, std::string(a.read_msg) + s.flist.str());
            return false;
        }
        out += bytes(extent_length(s, a.length), a.vtype);
    }
    return true;
}

bool write_index(const FileSlot& s, const RecordShape& shape, int step, const std::byte* in) {
    for (std::size_t k = 0; k < shape.index.size(); ++k) {
        const IndexArray& a = shape.index[k];
        const int status = put_slab(s.cdfid, s.nindx[k], index_slab(s, a, step), a.vtype, in);
        if (status != NC_NOERR) {
            log_blank_line();
            log_blank_line();
            log_line(">>> WARNING in subroutine " + std::string(shape.writer) + " <<<");
            log_line("netCDF error number" + fmt_I(status, 5));
            log_line(std::string(a.write_msg) + s.flist.str());
            log_flush();
            return false;
        }
        in += bytes(extent_length(s, a.length), a.vtype);
    }
    return true;
}

}  // namespace

const RecordShape* record_shape(int ftype) {
    for (const RecordShape& shape : SHAPES)
        if (shape.ftype == ftype) return &shape;
    return nullptr;
}

int extent_length(const FileSlot& s, Extent e) {
    switch (e) {
        case One: return 1;
        case Cols: return s.ncols;
        case Rows: return s.nrows;
        // Opening checked the ring against the 32-bit range; its terms need not be.
        case Perim: return static_cast<int>(perim_size(s.ncols, s.nrows, s.nthik));
    }
    return 0;
}

long long index_words(const FileSlot& s, const RecordShape& shape) {
    long long words = 0;
    for (const IndexArray& a : shape.index)
        words += static_cast<long long>(extent_length(s, a.length)) * words_per_element(a.vtype);
    return words;
}

int data_slab(const FileSlot& s, const RecordShape& shape, int layer, int layers, int step, Hyperslab& slab) {
    // The product of two 32-bit counts, or -1 when it is not one itself.
    const auto times = [](int a, int b) {
        const long long p = static_cast<long long>(a) * b;
        return a < 0 || p < 0 || p > INT_MAX ? -1 : static_cast<int>(p);
    };
    int elements = 1;
    for (int i = 0; i < shape.nextents; ++i) {
        const int n = extent_length(s, shape.extents[static_cast<std::size_t>(i)]);
        slab.add(1, n);
        elements = times(elements, n);
    }
    if (shape.layered) {
        slab.add(layer, layers);
        elements = times(elements, layers);
    }
    slab.add(step, 1);
    return elements;
}

namespace {

// A record whose elements per variable are no 32-bit count is refused before
// any transfer.
bool record_fits(const FileSlot& s, std::string_view caller, int delta) {
    if (delta >= 0) return true;
    QVWARN(caller, 0, 0, "Record too large for one transfer in file " + s.flist.str());
    return false;
}

}  // namespace

bool read_record(int fid, int vid, int layer, int step, void* buffer) {
    const FileSlot& s = slot(fid);
    const RecordShape& shape = *record_shape(s.ftype);
    const bool all_layers = layer == ALLAYS3;
    Hyperslab slab;
    const int delta = data_slab(s, shape, all_layers ? 1 : layer, all_layers ? s.nlays : 1, step, slab);
    if (!record_fits(s, shape.reader, delta)) return false;
    auto* out = static_cast<std::byte*>(buffer);
    // A native binary record carries its index part inside the data transfer.
    if (!shape.index.empty() && s.cdfid >= 0) {
        if (!read_index(s, shape, step, out)) return false;
        out += static_cast<std::size_t>(index_words(s, shape)) * 4;
    }
    return RDVARS(fid, vid, slab, delta, out);
}

bool write_record(int fid, int vid, const FlagPair& flag, int step, const void* buffer) {
    const FileSlot& s = slot(fid);
    const RecordShape& shape = *record_shape(s.ftype);
    Hyperslab slab;
    const int delta = data_slab(s, shape, 1, s.nlays, step, slab);
    if (!record_fits(s, shape.writer, delta)) return false;
    const auto* in = static_cast<const std::byte*>(buffer);
    if (!shape.index.empty() && s.cdfid >= 0) {
        if (!write_index(s, shape, step, in)) return false;
        in += static_cast<std::size_t>(index_words(s, shape)) * 4;
    }
    return WRVARS(fid, vid, flag, step, slab, delta, in);
}

}  // namespace orvex::detail
