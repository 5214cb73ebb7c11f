#include "gridfile/layout.hpp"

#include <climits>
#include <cstdlib>

namespace orvex::detail {

namespace {

using D = DimLen;
using L = LayerSize;

constexpr DimSpec NODIM{"", D::NCOLS};
constexpr AuxSpec NOAUX{"", NC_NAT, {}, 0, ""};

// ID-COUNT and ID head the site types.
constexpr AuxSpec ID_COUNT{"ID-COUNT", NC_INT, {"TSTEP"}, 1, "Error reading ID for variable ID-COUNT"};
constexpr AuxSpec ID_LIST{"ID", NC_INT, {"TSTEP", "SITE-NO"}, 2, "Error reading netcdf ID for variable ID"};

constexpr AuxSpec site_var(std::string_view name, nc_type type, std::string_view msg) {
    return AuxSpec{name, type, {"TSTEP", "SITE-NO"}, 2, msg};
}

constexpr std::array<Layout, 10> LAYOUTS{{
    {KFEVNT3,
     {{{"CELL-EVENT", D::NTHIK}, {"ROW", D::NROWS}, {"COL", D::NCOLS}}},
     3,
     {{{"KFCOUNT", NC_INT, {"ROW", "COL"}, 2, "Error reading netCDF ID for variable ID-COUNT"},
       {"KFEVENT", NC_INT, {"ROW", "COL", "CELL-EVENT"}, 3, "Error reading netCDF variable ID"},
       {"KFSDATE", NC_INT, {"ROW", "COL", "CELL-EVENT"}, 3, "Error reading netCDF ID for variable LEVEL-COUNT"},
       {"KFSTIME", NC_INT, {"ROW", "COL", "CELL-EVENT"}, 3, "Error reading netCDF ID for variable KFSDATE"},
       {"KFLNGTH", NC_INT, {"ROW", "COL", "CELL-EVENT"}, 3, "Error reading netCDF ID for variable KFLNGTH"},
       NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     5,
     {"LAY"},
     1,
     L::NONE,
     L::ROWS},
    {CUSTOM3,
     {{{"COL", D::NCOLS}, NODIM, NODIM}},
     1,
     {{NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     0,
     {"LAY", "COL"},
     2,
     L::COLS,
     L::COLS},
    {GRDDED3,
     {{{"ROW", D::NROWS}, {"COL", D::NCOLS}, NODIM}},
     2,
     {{NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     0,
     {"LAY", "ROW", "COL"},
     3,
     L::COLS_ROWS,
     L::COLS_ROWS},
    {BNDARY3,
     {{{"PERIM", D::PERIM}, NODIM, NODIM}},
     1,
     {{NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     0,
     {"LAY", "PERIM"},
     2,
     L::PERIM,
     L::PERIM},
    {IDDATA3,
     {{{"SITE-NO", D::NROWS}, NODIM, NODIM}},
     1,
     {{ID_COUNT, ID_LIST, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     2,
     {"LAY", "SITE-NO"},
     2,
     L::ROWS,
     L::ROWS},
    {PROFIL3,
     {{{"SITE-NO", D::NROWS}, {"LEVEL", D::NCOLS}, NODIM}},
     2,
     {{ID_COUNT, ID_LIST, site_var("LEVEL-COUNT", NC_INT, "Error reading ID for variable LEVEL-COUNT"),
       site_var("X", NC_FLOAT, "Error reading ID for variable X"),
       site_var("Y", NC_FLOAT, "Error reading ID for variable Y"),
       site_var("Z", NC_FLOAT, "Error reading ID for variable Z"), NOAUX, NOAUX, NOAUX, NOAUX}},
     6,
     {"LAY", "SITE-NO", "LEVEL"},
     3,
     L::COLS_ROWS,
     L::COLS_ROWS},
    {GRNEST3,
     {{{"SITE-NO", D::NROWS}, {"LEVEL", D::NCOLS}, NODIM}},
     2,
     {{ID_COUNT, ID_LIST, site_var("WIN-COLS", NC_INT, "Error reading ID for variable WIN-COLS"),
       site_var("WIN-ROWS", NC_INT, "Error reading ID for variable WIN-ROWST"),
       site_var("WIN-LEVS", NC_INT, "Error reading ID for variable WIN-LEVS"),
       site_var("X", NC_DOUBLE, "Error reading ID for variable X"),
       site_var("Y", NC_DOUBLE, "Error reading ID for variable Y"),
       site_var("DX", NC_DOUBLE, "Error reading ID for variable DX"),
       site_var("DY", NC_DOUBLE, "Error reading ID for variable DY"), NOAUX}},
     9,
     {"SITE-NO", "LEVEL"},
     2,
     L::COLS_ROWS,
     L::COLS_ROWS},
    {SMATRX3,
     {{{"ROW-NO", D::NROWS}, {"SP-COEF-NO", D::NCOLS}, NODIM}},
     2,
     {{{"COL-COUNT", NC_INT, {"TSTEP", "ROW-NO"}, 2, "Error reading ID for variable COL-COUNT"},
       {"COEFF-INDEX", NC_INT, {"TSTEP", "SP-COEF-NO"}, 2, "Error reading ID for variable COEFF-INDEX"}, NOAUX,
       NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     2,
     {"SP-COEF-NO"},
     1,
     L::COLS,
     L::COLS},
    {GRDATT3,
     {{{"ROW", D::NROWS}, {"COL", D::NCOLS}, NODIM}},
     2,
     {{NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     0,
     {"LAY", "ROW", "COL"},
     3,
     L::COLS_ROWS,
     L::COLS_ROWS},
    {PTRFLY3,
     {{{"ROW", D::NROWS}, {"COL", D::NCOLS}, NODIM}},
     2,
     {{NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX, NOAUX}},
     0,
     {"LAY", "ROW", "COL"},
     3,
     L::COLS_ROWS,
     L::COLS_ROWS},
}};

}  // namespace

const Layout* layout_of(int ftype) {
    for (const Layout& l : LAYOUTS)
        if (l.ftype == ftype) return &l;
    return nullptr;
}

long long perim_size(int ncols, int nrows, int nthik) {
    const long long width = 2 * std::llabs(static_cast<long long>(nthik));
    const long long ring = static_cast<long long>(ncols) + nrows + 2LL * nthik;
    // Header values of a hostile file can take the product beyond 64 bits;
    // such a ring counts as the largest size, which no caller accepts.
    if (width != 0 && std::llabs(ring) > LLONG_MAX / width) return LLONG_MAX;
    return width * ring;
}

long long dim_length(DimLen len, int ncols, int nrows, int nthik) {
    switch (len) {
        case D::NCOLS: return ncols;
        case D::NROWS: return nrows;
        case D::NTHIK: return nthik;
        case D::PERIM: return perim_size(ncols, nrows, nthik);
    }
    return 0;
}

long long layer_size(LayerSize rule, int ncols, int nrows, int nthik) {
    switch (rule) {
        case L::NONE: return IMISS3;
        case L::COLS: return ncols;
        case L::ROWS: return nrows;
        case L::COLS_ROWS: return static_cast<long long>(ncols) * nrows;
        case L::PERIM: return perim_size(ncols, nrows, nthik);
    }
    return IMISS3;
}

}  // namespace orvex::detail
