// The open-file table and the layer state: process-wide, internal to the library.
#pragma once

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "orvex/parms3.hpp"
#include "orvex/text.hpp"
#include "support/layerstate.hpp"

namespace orvex::detail {

// Auxiliary variables of the non-gridded types, at most ten per file.
inline constexpr int MXAUX3 = 10;

// One variable of an open file.
struct VarSlot {
    Text<NAMLEN3> name{CMISS3};  // VLIST3
    Text<NAMLEN3> units;         // UNITS3
    int vid = IMISS3;            // netCDF variable id
    int vtype = IMISS3;          // data type (QVINT, QVREAL, QVDBLE)
    // Buffered-file bookkeeping: two held steps (date, time) and the half of the first.
    int ldate = IMISS3, ltime = IMISS3;
    int ndate = IMISS3, ntime = IMISS3;
    int ilast = IMISS3;

    bool operator==(const VarSlot&) const = default;
};

class StorageKind;
struct NcCalls;

// What a slot's file keeps beside the table fields (a buffered file's blocks, a
// native binary file's stream, a dictionary's entry names): owned by the slot
// and dropped with it.
struct KindState {
    virtual ~KindState() = default;
};

// One slot of the open-file table. A slot is free when its name is CMISS3.
struct FileSlot {
    double p_alp = 0, p_bet = 0, p_gam = 0, xcent = 0, ycent = 0;
    double xorig = 0, yorig = 0, xcell = 0, ycell = 0;
    int vgtyp = IMISS3;
    float vgtop = 0;
    std::array<float, MXLAYS3 + 1> vglvs{};
    int cdfid = IMISS3;  // netCDF dataset id (>= 0) or the handle code of its storage kind
    int ftype = IMISS3;
    int sdate = IMISS3, stime = IMISS3, tstep = IMISS3;
    int mxrec = IMISS3;  // records in the file
    int nvars = IMISS3, nlays = IMISS3, nrows = IMISS3, ncols = IMISS3, nthik = IMISS3;
    int tindx = IMISS3;  // netCDF id of TFLAG (FLAG for dictionaries)
    std::array<int, MXAUX3> nindx{};  // ids of the auxiliary variables, in layout order
    int gdtyp = IMISS3;
    bool volat = false;  // synchronise to disk after every header change and write
    bool ronly = false;  // opened read-only
    int laysz = IMISS3;  // values in one layer of one variable
    Text<NAMLEN3> flist{CMISS3};  // logical name
    Text<NAMLEN3> gdnam;
    std::vector<VarSlot> vars;    // the file's variables, variable v at vars[v - 1]
    int nlist = 0;                // file-set list: number of members
    int ilist = IMISS3;           // file-set list: first member-table entry (1-based)
    const StorageKind* kind = nullptr;  // chosen once, by OPEN3 and the creators
    std::unique_ptr<KindState> state;   // what the file keeps beside the table
    const NcCalls* calls = nullptr;     // the library calls of its dataset (nullptr: serial netCDF)

    bool is_free() const { return flist == CMISS3; }
    bool operator==(const FileSlot&) const = default;

    // The slot's own state of type T, or nullptr when it keeps none of that type.
    template <class T>
    T* state_as() const {
        return dynamic_cast<T*>(state.get());
    }
};

// One entry of the file-set member table.
struct ListEntry {
    int fid = IMISS3;  // member's slot
    int beg = IMISS3;  // first record, in the list's steps
    int end = IMISS3;  // last record
};

// The open-file table. The layer-wide state of the run (initialised flag, log,
// identity, settings) is support/'s, in support/layerstate.hpp.
struct State3 {
    int count = 0;               // COUNT3: highest slot used since initialisation
    std::array<FileSlot, MXFILE3> slots;
    int nlist_used = 0;          // member-table entries in use
    std::array<ListEntry, MXFILE3> list;
};

extern State3 STATE3;

// Slot of file index fid (1..MXFILE3).
inline FileSlot& slot(int fid) { return STATE3.slots[static_cast<std::size_t>(fid - 1)]; }

// Puts the table into its empty state: every slot free, numbers IMISS3, no list entries.
void reset_table();

// Frees slot fid: its name and its variables' names become CMISS3, their
// bookkeeping IMISS3, and whatever the slot's file kept is released; the other
// table fields are left for the next open to rewrite.
void free_slot(int fid);

}  // namespace orvex::detail
