// Dictionary files: netCDF files of type DCTNRY3 whose records are whole file
// descriptions stored under 16-character entry names. Internal to the library.
#pragma once

#include <netcdf.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "orvex/parms3.hpp"
#include "orvex/text.hpp"

namespace orvex::detail {

// Lays out a dictionary in slot fid: the dataset is in define mode with the
// first seven global attributes written. Leaves define mode on success; on
// failure writes three log lines and abandons the dataset.
bool CRDICT3(int fid);
// Fills FDESC3 from the entry of that name; false (silently) when there is none.
bool RDDICT3(int fid, std::string_view entry);
// Stores the current FDESC3 as the entry of that name, overwriting an old one.
bool WRDICT3(int fid, std::string_view entry);

struct FileSlot;

// Drops the entry-name list kept by slot fid, so that it is read afresh (the
// slot drops it itself when it is freed).
void dictionary_forget(int fid);

// For a dictionary opened from disk into slot fid: sets the slot's record count
// to the length of "FINDX3" and drops any kept name list. Reports a failure
// through QVABORT and returns false.
bool dictionary_opened(int fid);

// ---- The layout, shared by the creator, the reader and the writer ----------

// The six dimensions, in the order they are defined.
enum DictDim : int { DIM_FINDX3, DIM_VINDX, DIM_ZINDX, DIM_NAMEPOS, DIM_DESCPOS, DIM_DLINE, DICT_NDIMS };

struct DictDimDef {
    std::string_view name;
    std::size_t len;          // NC_UNLIMITED for the entry dimension
    std::string_view errmsg;  // creation failure message
};

extern const std::array<DictDimDef, DICT_NDIMS> DICT_DIMS;

// One entry record being moved between FDESC3-shaped memory and the file.
class DictRecord;
using DictMove = int (*)(DictRecord&);

// One of the 26 variables that hold a description (FLAG is not among them).
struct DictVarDef {
    std::string_view name;
    nc_type type;
    int rank;
    std::array<int, 3> dims;  // DictDim, slowest first
    std::string_view units;
    std::string_view desc;
    std::string_view readname;  // its name in read-failure messages
    DictMove move;              // moves this variable's part of the record
};

inline constexpr int DICT_NVARS = 26;
extern const std::array<DictVarDef, DICT_NVARS> DICT_VARS;

inline constexpr std::string_view FLAG_NAME = "FLAG";
inline constexpr std::string_view FLAG_UNITS = "5461 or not";
inline constexpr std::string_view FLAG_DESC = "Record-valid flags:  OKFLAG3=5461, or not";

class DictRecord {
public:
    DictRecord(bool write, int ncid, int rec, Fdesc3& d, std::string_view entry)
        : write_(write), ncid_(ncid), rec0_(static_cast<std::size_t>(rec - 1)), d_(d), entry_(entry) {}

    // Moves variable def (id varid) of this record; the netCDF status.
    int move(const DictVarDef& def, int varid) {
        varid_ = varid;
        rank_ = def.rank;
        return def.move(*this);
    }

    Fdesc3& desc() { return d_; }
    Text<NAMLEN3>& entry() { return entry_; }

    int scalar(int& v) { return io(1, 1, &v); }
    int scalar(double& v) { return io(1, 1, &v); }
    // The first n values of a list; a count beyond the list is an edge error.
    template <class T, std::size_t M>
    int list(std::array<T, M>& a, int n) {
        if (n < 0 || static_cast<std::size_t>(n) > M) return NC_EEDGE;
        return io(static_cast<std::size_t>(n), 1, a.data());
    }
    template <std::size_t W>
    int text(Text<W>& t) { return io(W, 1, t.data()); }
    // The first n fields of a list of text fields, W characters each.
    template <std::size_t W, std::size_t M>
    int texts(std::array<Text<W>, M>& a, int n) {
        if (n < 0 || static_cast<std::size_t>(n) > M) return NC_EEDGE;
        std::string buf(static_cast<std::size_t>(n) * W, ' ');
        if (write_)
            for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) buf.replace(i * W, W, a[i].view());
        const int status = io(static_cast<std::size_t>(n), W, buf.data());
        if (!write_ && status == NC_NOERR)
            for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) a[i] = std::string_view(buf).substr(i * W, W);
        return status;
    }

private:
    // One hyperslab of the record: count (1, a, b), cut to the variable's rank.
    template <class T>
    int io(std::size_t a, std::size_t b, T* p);

    bool write_;
    int ncid_;
    std::size_t rec0_;
    Fdesc3& d_;
    Text<NAMLEN3> entry_;
    int varid_ = 0;
    int rank_ = 1;
};

// ---- Entry names --------------------------------------------------------------

// The entry names of the dictionary in slot fid, current for that file: read
// from "FNAME" for records 1 .. min(record count, MXVARS3) unless a kept list
// exists. On failure returns the netCDF status and leaves no list kept.
int dictionary_names(int fid, const std::vector<Text<NAMLEN3>>*& names);
// Appends a name stored at record names.size() + 1 to the kept list of slot fid.
void dictionary_add_name(int fid, const Text<NAMLEN3>& name);

// The netCDF id of DICT_VARS[i] in the slot's file: the id kept in the slot
// when the slot's variable i has that name, else looked up by name.
int dict_varid(const FileSlot& s, int i, int& varid);

// The record flag ("FLAG") of entry record rec (1-based), read or written; the
// netCDF status.
int dict_get_flag(const FileSlot& s, int rec, int& flag);
int dict_put_flag(const FileSlot& s, int rec, int flag);

// "netCDF error number" followed by the status.
std::string dict_ncerr(int status);
// Writes the three lines that report a failed read of the name list.
void dict_names_failed(int status, std::string_view fname, std::string_view entry);

}  // namespace orvex::detail
