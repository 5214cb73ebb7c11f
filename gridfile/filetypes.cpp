// The table of file types.
#include "gridfile/filetypes.hpp"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "orvex/parms3.hpp"

namespace orvex::detail {

namespace {

using enum Extent;

// A row names only the fields it sets; the others keep their defaults (g++ 12
// warns about every designated initializer that leaves a field out).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// One array of a record's index part. Opening reports a missing one as
// "Error reading ID for variable " + its name unless open_msg says otherwise.
constexpr AuxVar index_var(std::string_view name, int type, Extents shape, std::string_view read_msg,
                           std::string_view write_msg, std::string_view open_msg = {}) {
    return {name, type, true, shape, open_msg, read_msg, write_msg};
}

// An auxiliary variable of the event file, which holds no records of its own.
constexpr AuxVar event_var(std::string_view name, Extents shape, std::string_view open_msg) {
    return {name, QVINT, false, shape, open_msg, "", ""};
}

constexpr AuxVar KFEVNT_AUX[] = {
    event_var("KFCOUNT", {Rows, Cols}, "Error reading netCDF ID for variable ID-COUNT"),
    event_var("KFEVENT", {Rows, Cols, Thik}, "Error reading netCDF variable ID"),
    event_var("KFSDATE", {Rows, Cols, Thik}, "Error reading netCDF ID for variable LEVEL-COUNT"),
    event_var("KFSTIME", {Rows, Cols, Thik}, "Error reading netCDF ID for variable KFSDATE"),
    event_var("KFLNGTH", {Rows, Cols, Thik}, "Error reading netCDF ID for variable KFLNGTH"),
};

// The site list heads the site types; opening words its absence its own way.
constexpr std::string_view OPEN_ID = "Error reading netcdf ID for variable ID";

constexpr AuxVar IDDATA_INDEX[] = {
    index_var("ID-COUNT", QVINT, {}, "Error reading count for file ", "Error writing site count to file "),
    index_var("ID", QVINT, {Rows}, "Error reading ID list for file ", "Error writing site ID list to file ", OPEN_ID),
};

constexpr AuxVar PROFIL_INDEX[] = {
    index_var("ID-COUNT", QVINT, {}, "Error reading site count for file ", "Error writing site count to file "),
    index_var("ID", QVINT, {Rows}, "Error reading ID list for file ", "Error writing ID list to file ", OPEN_ID),
    index_var("LEVEL-COUNT", QVINT, {Rows}, "Error reading profile-count for file ",
              "Error writing level count list to file "),
    index_var("X", QVREAL, {Rows}, "Error reading X-coordinate for file ", "Error writing X-coordinate list to file "),
    index_var("Y", QVREAL, {Rows}, "Error reading Y-coordinate for file ", "Error writing Y-coordinate list to file "),
    index_var("Z", QVREAL, {Rows}, "Error reading Z-coordinate for file ", "Error writing Z-coordinate list to file "),
};

constexpr AuxVar GRNEST_INDEX[] = {
    index_var("ID-COUNT", QVINT, {}, "Error reading count for file ", "Error writing site count to file "),
    index_var("ID", QVINT, {Rows}, "Error reading ID list for file ", "Error writing ID list to file ", OPEN_ID),
    index_var("WIN-COLS", QVINT, {Rows}, "Error reading site column count for file ",
              "Error writing site column count list to file "),
    index_var("WIN-ROWS", QVINT, {Rows}, "Error reading site row count for file ",
              "Error writing site row count list to file ", "Error reading ID for variable WIN-ROWST"),
    index_var("WIN-LEVS", QVINT, {Rows}, "Error reading level count for file ",
              "Error writing level count list to file "),
    index_var("X", QVDBLE, {Rows}, "Error reading X coord for file ", "Error writing X-coordinate list to file "),
    index_var("Y", QVDBLE, {Rows}, "Error reading Y coord for file ", "Error writing Y-coordinate list to file "),
    index_var("DX", QVDBLE, {Rows}, "Error reading cell DX for file ", "Error writing cellsize DX list to file "),
    index_var("DY", QVDBLE, {Rows}, "Error reading cell DY for file ", "Error writing cellsize DY list to file "),
};

constexpr AuxVar SMATRX_INDEX[] = {
    index_var("COL-COUNT", QVINT, {Rows}, "Error reading MAXROW for file ",
              "Error writing max-col-count array to file "),
    index_var("COEFF-INDEX", QVINT, {Cols}, "Error reading ROW INDEX for file ",
              "Error writing column-index array to file "),
};

constexpr Few<Dim, 3> GRID_DIMS{{"ROW", Rows}, {"COL", Cols}};
constexpr Few<Dim, 3> SITE_LEVEL_DIMS{{"SITE-NO", Rows}, {"LEVEL", Cols}};
constexpr DataShape GRID_DATA{true, {Rows, Cols}};
constexpr RecordMovers GRID_MOVERS_ALL_ONLY{"READ3/RDGRDDED", "WRGRDDED", false};
constexpr Extents COLS_ROWS{Cols, Rows};

constexpr CountRule BAD_NCOLS{Cols, "Bad NCOLS"};
constexpr CountRule BAD_NROWS{Rows, "Bad NROWS"};
constexpr DescChecks GRID_CHECKS{.checked = true, .counts = {BAD_NCOLS, BAD_NROWS}, .layers = true};

// Ordered by code, from KFEVNT3 (-3) to PTRFLY3 (8). Grid-nest variables have
// no layer dimension, so a grid-nest record moves NCOLS x NROWS values per
// variable whatever layer is asked for. A single-variable sparse-matrix write
// moves the index part and that one variable.
constexpr FileType TYPES[] = {
    {.code = KFEVNT3, .name = "KFEVNT3", .named_in_log = true, .laid_out = true,
     .dims = {{"CELL-EVENT", Thik}, {"ROW", Rows}, {"COL", Cols}}, .aux = KFEVNT_AUX, .data = {true, {}},
     .compared = COLS_ROWS, .checks = {.checked = true, .counts = {BAD_NCOLS, BAD_NROWS}}},
    {.code = DGRAPH3, .name = "DGRAPH3", .named_in_log = true, .compared = COLS_ROWS},
    {.code = CUSTOM3, .name = "CUSTOM3", .named_in_log = true, .laid_out = true,
     .dims = {{"COL", Cols}}, .data = {true, {Cols}}, .records = {"READ3/RDCUSTOM", "WRCUSTOM", true},
     .buffered = true, .binary = true, .compared = {Cols},
     .checks = {.checked = true, .counts = {{Cols, "Bad blob-size NCOLS"}}, .layers = true}},
    {.code = DCTNRY3, .name = "DCTNRY3", .named_in_log = true},
    {.code = GRDDED3, .name = "GRDDED3", .named_in_log = true, .laid_out = true,
     .dims = GRID_DIMS, .data = GRID_DATA, .records = {"READ3/RDGRDDED", "WRGRDDED", true},
     .buffered = true, .binary = true, .compared = COLS_ROWS, .checks = GRID_CHECKS},
    {.code = BNDARY3, .name = "BNDARY3", .named_in_log = true, .laid_out = true,
     .dims = {{"PERIM", Perim}}, .data = {true, {Perim}}, .records = {"READ3/RDBNDARY", "WRBNDARY", true},
     .buffered = true, .binary = true, .compared = {Cols, Rows, Thik},
     .checks = {.checked = true, .counts = {BAD_NCOLS, BAD_NROWS}, .boundary_width = true, .layers = true}},
    {.code = IDDATA3, .name = "IDDATA3", .named_in_log = true, .laid_out = true,
     .dims = {{"SITE-NO", Rows}}, .aux = IDDATA_INDEX, .data = {true, {Rows}},
     .records = {"READ3/RDIDDATA", "WRIDDATA", false}, .binary = true, .compared = {Rows},
     .checks = {.checked = true, .counts = {{Rows, "Bad max site count NROWS"}}, .layers = true}},
    {.code = PROFIL3, .name = "PROFIL3", .named_in_log = true, .laid_out = true,
     .dims = SITE_LEVEL_DIMS, .aux = PROFIL_INDEX, .data = {true, {Rows, Cols}},
     .records = {"READ3/RDPROFILE", "WRPROFIL", false}, .binary = true, .compared = COLS_ROWS,
     .checks = {.checked = true, .counts = {{Rows, "Bad max site count NROWS"}, {Cols, "Bad max level count NCOLS"}},
                .layers = true}},
    {.code = GRNEST3, .name = "GRNEST3", .named_in_log = true, .laid_out = true,
     .dims = SITE_LEVEL_DIMS, .aux = GRNEST_INDEX, .data = {false, {Rows, Cols}},
     .records = {"READ3/RDGRNEST", "WRGRNEST", false}, .compared = COLS_ROWS,
     .checks = {.checked = true, .counts = {{Cols, "Bad max cell-count NCOLS"}, {Rows, "Bad max nest count NROWS"}},
                .layers = true}},
    {.code = SMATRX3, .name = "SMATRX3", .named_in_log = true, .laid_out = true,
     .dims = {{"ROW-NO", Rows}, {"SP-COEF-NO", Cols}}, .aux = SMATRX_INDEX, .data = {false, {Cols}},
     .records = {"READ3/RDSMATRX", "WRSMATRX", true}, .binary = true, .compared = COLS_ROWS,
     .checks = {.checked = true,
                .counts = {{Cols, "Bad max matrix coeff-count NCOLS"}, {Rows, "Bad matrux NROWS"},
                           {Thik, "Bad full-matrix col-count NTHIK"}},
                .layers = true}},
    {.code = GRDATT3, .name = "GRDATT3", .laid_out = true, .dims = GRID_DIMS, .data = GRID_DATA,
     .records = GRID_MOVERS_ALL_ONLY, .buffered = true, .compared = COLS_ROWS, .checks = GRID_CHECKS},
    {.code = PTRFLY3, .name = "PTRFLY3", .laid_out = true, .dims = GRID_DIMS, .data = GRID_DATA,
     .records = GRID_MOVERS_ALL_ONLY, .compared = COLS_ROWS,
     .checks = {.checked = true, .counts = {BAD_NCOLS, BAD_NROWS}, .required = {"AIR_LAT", "AIR_LON", "AIR_ELV"},
                .layers = true}},
};

#pragma GCC diagnostic pop

constexpr bool ordered_by_code() {
    for (std::size_t i = 0; i < std::size(TYPES); ++i)
        if (TYPES[i].code != KFEVNT3 + static_cast<int>(i)) return false;
    return true;
}
static_assert(ordered_by_code(), "the rows run from KFEVNT3 to PTRFLY3 without a gap");

bool moves_records(const FileType& t) { return !t.records.reader.empty(); }

bool depends_on(Extent have, Extent e) { return have == e || have == Perim; }

}  // namespace

const FileType* file_type(int code) {
    if (code < KFEVNT3 || code > PTRFLY3) return nullptr;
    return &TYPES[code - KFEVNT3];
}

const FileType* laid_out_type(int code) {
    const FileType* t = file_type(code);
    return t != nullptr && t->laid_out ? t : nullptr;
}

const FileType* record_type(int code) {
    const FileType* t = file_type(code);
    return t != nullptr && moves_records(*t) ? t : nullptr;
}

std::string_view logged_type_name(int code) {
    const FileType* t = file_type(code);
    return t != nullptr && t->named_in_log ? t->name : "UNKNOWN";
}

bool compared_size(int code, Extent e) {
    const FileType* t = file_type(code);
    if (t == nullptr) return e == Cols || e == Rows;
    return std::find(t->compared.begin(), t->compared.end(), e) != t->compared.end();
}

std::span<const AuxVar> index_part(const FileType& t) {
    return moves_records(t) ? t.aux : std::span<const AuxVar>{};
}

bool uses(const FileType& t, Extent e) {
    for (const Extent have : t.data.extents)
        if (depends_on(have, e)) return true;
    for (const AuxVar& a : index_part(t))
        for (const Extent have : a.shape)
            if (depends_on(have, e)) return true;
    return false;
}

std::string open_message(const AuxVar& a) {
    return a.open_msg.empty() ? "Error reading ID for variable " + std::string(a.name) : std::string(a.open_msg);
}

std::string_view dim_name(const FileType& t, Extent e) {
    for (const Dim& d : t.dims)
        if (d.length == e) return d.name;
    return {};
}

bool perim_cells(long long ncols, long long nrows, long long nthik, long long& cells) {
    return !__builtin_mul_overflow(2 * std::llabs(nthik), ncols + nrows + 2 * nthik, &cells);
}

long long perim_size(int ncols, int nrows, int nthik) {
    long long cells = 0;
    return perim_cells(ncols, nrows, nthik, cells) ? cells : LLONG_MAX;
}

long long extent_length(Extent e, int ncols, int nrows, int nthik) {
    switch (e) {
        case Cols: return ncols;
        case Rows: return nrows;
        case Thik: return nthik;
        case Perim: return perim_size(ncols, nrows, nthik);
    }
    return 0;
}

namespace {

long long product(const Extents& extents, int ncols, int nrows, int nthik) {
    long long p = 1;
    for (const Extent e : extents)
        if (__builtin_mul_overflow(p, extent_length(e, ncols, nrows, nthik), &p)) return LLONG_MAX;
    return p;
}

}  // namespace

long long layer_size(const FileType& t, bool opened, int ncols, int nrows, int nthik) {
    if (t.code == KFEVNT3) return opened ? nrows : IMISS3;
    return product(t.data.extents, ncols, nrows, nthik);
}

long long aux_length(const AuxVar& a, int ncols, int nrows, int nthik) {
    return product(a.shape, ncols, nrows, nthik);
}

}  // namespace orvex::detail
