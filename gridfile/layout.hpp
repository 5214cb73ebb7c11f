// The on-disk layout of each file type: one table that creation, opening and
// the record movers read, so that no routine carries its own copy of it.
#pragma once

#include <netcdf.h>

#include <array>
#include <string_view>

#include "orvex/parms3.hpp"

namespace orvex::detail {

// Where the length of a type's own dimension comes from.
enum class DimLen { NCOLS, NROWS, NTHIK, PERIM };

// A dimension of the type, defined after "TSTEP", "DATE-TIME", "LAY", "VAR".
struct DimSpec {
    std::string_view name;
    DimLen len;
};

// An auxiliary variable: its netCDF type, its shape by dimension names
// (slowest first) and the message that opening gives when it is missing.
struct AuxSpec {
    std::string_view name;
    nc_type type;
    std::array<std::string_view, 3> shape;
    int rank;
    std::string_view open_msg;
};

// How many values one layer of one variable holds.
enum class LayerSize { NONE, COLS, ROWS, COLS_ROWS, PERIM };

inline constexpr int MAXTYPEDIMS = 3;

struct Layout {
    int ftype;
    std::array<DimSpec, MAXTYPEDIMS> dims;  // the type's own dimensions, in definition order
    int ndims;
    std::array<AuxSpec, 10> aux;            // auxiliary variables, in definition order
    int naux;
    std::array<std::string_view, 3> shape;  // data variable shape after "TSTEP"
    int rank;                               // entries of shape in use
    LayerSize laysz_create;                 // layer size set at creation
    LayerSize laysz_open;                   // layer size set at opening
};

// The layout of a file type, or nullptr for a type without one (DGRAPH3,
// DCTNRY3, codes outside -3..8).
const Layout* layout_of(int ftype);

// 2*|nthik|*(ncols+nrows+2*nthik): the boundary cells of one layer, for
// either sign of the thickness.
long long perim_size(int ncols, int nrows, int nthik);

// Length of one of the type's own dimensions.
long long dim_length(DimLen len, int ncols, int nrows, int nthik);

// Values in one layer of one variable; IMISS3 for LayerSize::NONE.
long long layer_size(LayerSize rule, int ncols, int nrows, int nthik);

}  // namespace orvex::detail
