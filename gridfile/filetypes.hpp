// The file types: one row per type holding what the layer knows of it, its
// name, its dimensions and auxiliary variables on disk, the shape of its
// records and their index part, the forms it may be kept in and the rules its
// description must keep. Creation, opening, the record movers, the buffered
// and native binary forms and the description checks all read this table.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace orvex::detail {

// A length taken from a file's description. Every size of the table is one
// of these, or a product of them.
enum class Extent : unsigned char {
    Cols,   // NCOLS
    Rows,   // NROWS
    Thik,   // NTHIK
    Perim,  // boundary cells per layer: 2 |NTHIK| (NCOLS + NROWS + 2 NTHIK)
};

// At most N entries, written in a row as a braced list.
template <typename T, std::size_t N>
class Few {
public:
    constexpr Few() = default;
    constexpr Few(std::initializer_list<T> items) {
        for (const T& x : items) items_[n_++] = x;
    }
    constexpr std::size_t size() const { return n_; }
    constexpr bool empty() const { return n_ == 0; }
    constexpr const T* begin() const { return items_.data(); }
    constexpr const T* end() const { return items_.data() + n_; }
    constexpr const T& operator[](std::size_t i) const { return items_[i]; }

private:
    std::array<T, N> items_{};
    std::size_t n_ = 0;
};

using Extents = Few<Extent, 3>;

// A dimension of the type's own, defined after "TSTEP", "DATE-TIME", "LAY"
// and "VAR". No two dimensions of a type have the same extent, so a shape
// names them by extent.
struct Dim {
    std::string_view name;
    Extent length;
};

// An auxiliary variable. Those of a type whose records are moved are the
// index part of every record, in this order.
struct AuxVar {
    std::string_view name;
    int type = 0;                // QVINT, QVREAL or QVDBLE, which are also its netCDF type
    bool per_record = false;     // the record dimension TSTEP is its slowest dimension
    Extents shape;               // its other dimensions, slowest first
    std::string_view open_msg;   // opening's failure when the variable is missing (see open_message)
    std::string_view read_msg;   // the record reader's failure, followed by the logical name
    std::string_view write_msg;  // the record writer's failure, followed by the logical name
};

// A data variable's shape below "TSTEP": "LAY" when layered, then the
// extents, slowest first. One layer of one variable holds their product.
struct DataShape {
    bool layered = false;
    Extents extents;
};

// The record movers of READ3 and WRITE3 (RDGRDDED/WRGRDDED and the others).
struct RecordMovers {
    std::string_view reader;   // caller tag of the reader's warnings; empty: no records are moved
    std::string_view writer;   // the writer's name in its warning block
    bool by_variable = false;  // WRITE3 may write one variable alone
};

// A count of the description that must be at least 1, with its message.
struct CountRule {
    Extent count = Extent::Cols;
    std::string_view msg;
};

// The rules of CKDESC3 and CKFILE3 that depend on the type.
struct DescChecks {
    bool checked = false;               // false: no rule applies to the type
    Few<CountRule, 3> counts;           // in order
    bool boundary_width = false;        // |NTHIK| is bounded by the grid
    Few<std::string_view, 3> required;  // variables the file must have
    bool layers = false;                // NLAYS must be at least 1
};

struct FileType {
    int code = 0;
    std::string_view name;        // seven characters
    bool named_in_log = false;    // log lines show the name; for the other types "UNKNOWN"
    bool laid_out = false;        // netCDF layout of this table (DCTNRY3 has its own)
    Few<Dim, 3> dims;             // the type's own dimensions, in definition order
    std::span<const AuxVar> aux;  // auxiliary variables, in definition order
    DataShape data;
    RecordMovers records;
    bool buffered = false;        // may be kept as a buffered in-memory file
    bool binary = false;          // may be kept as a native binary file
    Extents compared;             // sizes CHKFIL3 compares with the caller's description
    DescChecks checks;
};

// The row of a type code, or nullptr for a code outside -3..8.
const FileType* file_type(int code);
// The row of a type with a layout of this table, or nullptr (DGRAPH3,
// DCTNRY3, unknown codes).
const FileType* laid_out_type(int code);
// The row of a type whose records READ3 and WRITE3 move, or nullptr
// (KFEVNT3, DGRAPH3, DCTNRY3, unknown codes).
const FileType* record_type(int code);

// The seven-character name that log lines show for a type code.
std::string_view logged_type_name(int code);

// Whether CHKFIL3 compares size e of a file of the type with the caller's
// description; a code without a row compares NCOLS and NROWS.
bool compared_size(int code, Extent e);

// The index part of a record: the auxiliary variables of a type whose
// records are moved, none for the others.
std::span<const AuxVar> index_part(const FileType& t);

// Whether the type's records (data and index part) depend on extent e; a
// boundary ring depends on NCOLS, NROWS and NTHIK.
bool uses(const FileType& t, Extent e);

// Opening's failure when auxiliary variable a is missing: its open_msg, or by
// default "Error reading ID for variable " + its name.
std::string open_message(const AuxVar& a);

// The name of the type's own dimension of extent e.
std::string_view dim_name(const FileType& t, Extent e);

// 2|nthik|(ncols + nrows + 2 nthik), for either sign of the thickness;
// false when it is beyond 64 bits.
bool perim_cells(long long ncols, long long nrows, long long nthik, long long& cells);

// The boundary cells of one layer; LLONG_MAX when beyond 64 bits, which no
// caller accepts.
long long perim_size(int ncols, int nrows, int nthik);

// The length of an extent for a description.
long long extent_length(Extent e, int ncols, int nrows, int nthik);

// Values in one layer of one variable, as the table slot keeps it: the product
// of the data extents (saturated at LLONG_MAX). An event file keeps none at
// creation (IMISS3) and NROWS once opened.
long long layer_size(const FileType& t, bool opened, int ncols, int nrows, int nthik);

// Values of an auxiliary variable per record: the product of its shape.
long long aux_length(const AuxVar& a, int ncols, int nrows, int nthik);

}  // namespace orvex::detail
