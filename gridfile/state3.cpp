#include "gridfile/state3.hpp"

namespace orvex {

Fdesc3 FDESC3;
Fdatt3 FDATT3;

namespace detail {

State3 STATE3;

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
    for (FileSlot& s : STATE3.slots) s = FileSlot{};
    STATE3.nlist_used = 0;
    STATE3.list.fill(ListEntry{});
}

}  // namespace detail
}  // namespace orvex
