#include "gridfile/state3.hpp"

namespace orvex {

// The records and the table are initialised when the program is built: a
// program that links the layer makes no pass over their megabyte at start-up,
// and their pages are brought in only when used.
constinit Fdesc3 FDESC3;
constinit Fdatt3 FDATT3;

// The record's C-linkage name, so that the C interface and the Fortran
// module's common block are this storage (the alias must sit beside the
// definition; the name it takes is the record's own symbol).
extern "C" {
extern Fdesc3 orvex_fdesc3_record __attribute__((alias("_ZN5orvex6FDESC3E")));
}

namespace detail {

constinit State3 STATE3;

void free_slot(int fid) {
    FileSlot& s = slot(fid);
    s.flist = CMISS3;
    s.state.reset();
    for (VarSlot& v : s.vars) {
        v.name = CMISS3;
        v.ldate = v.ltime = v.ndate = v.ntime = v.ilast = IMISS3;
    }
}

void reset_table() {
    // Slots that are empty already are only read: writing all of them would
    // copy every page of the table in at the start of each program.
    static const FileSlot empty{};
    for (FileSlot& s : STATE3.slots)
        if (!(s == empty)) s = FileSlot{};
    STATE3.nlist_used = 0;
    STATE3.list.fill(ListEntry{});
}

}  // namespace detail
}  // namespace orvex
