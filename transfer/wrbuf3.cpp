// WRBUF3: writes one variable or all variables of a buffered file, keeping per
// variable a window of at most two consecutive time steps.
//
// Each variable records the steps it holds as two (date, time) pairs and the
// half of its block that holds the first pair's step; the other pair's step is
// in the other half. A step goes to half (record + 1) mod 2, so consecutive
// steps always use different halves. Writing the step after the later held
// one, or before the earlier one, slides the window and overwrites the step
// that drops out; rewriting a held step replaces it; any other step is refused
// as out of order. That includes a step written while only one step is held
// that is neither that step nor one of its neighbours: it is refused too, so
// that the held step is never overwritten behind the bookkeeping's back.
//
// A time-independent file holds a single step: every write replaces it in
// half 0 and sets both pairs to (0, 0), whatever date and time are passed.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

namespace {

// The window after writing jdate:jtime into half h, or false when the write is
// out of order. w is left unchanged; `next` receives the new window.
bool slide(const VarSlot& w, int tstep, int jdate, int jtime, int h, VarSlot& next) {
    next = w;
    if (tstep == 0) {
        next.ldate = next.ltime = next.ndate = next.ntime = 0;
        next.ilast = 0;
        return true;
    }
    const int t = std::abs(tstep);
    int pdate = jdate, ptime = jtime;  // the step before this one
    NEXTIME(pdate, ptime, -t);
    int ndate = jdate, ntime = jtime;  // the step after this one
    NEXTIME(ndate, ntime, t);

    if (empty_pair(w.ldate, w.ltime)) {
        next.ldate = jdate;
        next.ltime = jtime;
        next.ilast = h;
    } else if (w.ndate == pdate && w.ntime == ptime) {
        next.ldate = w.ndate;
        next.ltime = w.ntime;
        next.ndate = jdate;
        next.ntime = jtime;
        next.ilast = 1 - h;
    } else if (w.ldate == ndate && w.ltime == ntime) {
        next.ndate = w.ldate;
        next.ntime = w.ltime;
        next.ldate = jdate;
        next.ltime = jtime;
        next.ilast = h;
    } else if (empty_pair(w.ndate, w.ntime) && w.ldate == pdate && w.ltime == ptime) {
        next.ndate = jdate;
        next.ntime = jtime;
    } else if ((jdate == w.ldate && jtime == w.ltime) || (jdate == w.ndate && jtime == w.ntime)) {
        // a rewrite of a held step
    } else {
        return false;
    }
    return true;
}

bool write_one(int fid, int vid, int jdate, int jtime, int record, const void* buffer) {
    FileSlot& s = slot(fid);
    VarSlot& w = s.vars[static_cast<std::size_t>(vid - 1)];
    const int h = s.tstep == 0 ? 0 : ((record + 1) % 2 + 2) % 2;
    VarSlot next;
    if (!slide(w, s.tstep, jdate, jtime, h, next)) {
        QVMSG2("Date/time being written to BUFFERED file " + s.flist.str() + ":" + fmt_I(jdate, 9) + ":" +
               fmt_Im(jtime, 6, 6));
        QVMSG2("Last date/time  written:" + fmt_I(w.ldate, 9) + ":" + fmt_Im(w.ltime, 6, 6));
        QVWARN("WRITE3/WRBUF3", jdate, jtime, "Out-of-order write to BUFFERED file ");
        return false;
    }
    const long long count = static_cast<long long>(s.laysz) * s.nlays;
    if (count < 0 || count > 0x7fffffffLL) return false;
    const int n = static_cast<int>(count);
    bool ok = false;
    switch (w.vtype) {
        case QVINT:
            ok = BUFPUT3I(fid, vid, n, h, s.tstep, static_cast<const int*>(buffer));
            break;
        case QVDBLE:
            ok = BUFPUT3D(fid, vid, n, h, s.tstep, static_cast<const double*>(buffer));
            break;
        default:
            ok = BUFPUT3(fid, vid, n, h, s.tstep, static_cast<const float*>(buffer));
            break;
    }
    // The window changes only once the data are in place, so that a failed
    // copy never leaves a step recorded whose values are not held.
    if (ok) w = next;
    return ok;
}

}  // namespace

bool WRBUF3(int fid, int vid, int jdate, int jtime, int record, const void* buffer) {
    FileSlot& s = slot(fid);
    if (vid != -1) {
        if (vid < 1 || vid > static_cast<int>(s.vars.size())) return false;
        return write_one(fid, vid, jdate, jtime, record, buffer);
    }
    const long long count = static_cast<long long>(s.laysz) * s.nlays;
    const auto* words = static_cast<const float*>(buffer);
    const int nvars = std::min(s.nvars, static_cast<int>(s.vars.size()));
    if (nvars <= 0) return true;
    for (int v = 1; v <= nvars; ++v) {
        const VarSlot& var = s.vars[static_cast<std::size_t>(v - 1)];
        if (var.vtype != QVREAL) {
            QVWARN("WRITE3/WRBUF3", jdate, jtime, "ALLVAR3 non-REAL types not supported");
            return false;
        }
        if (!write_one(fid, v, jdate, jtime, record, words + (v - 1) * count)) {
            QVWARN("WRITE3/WRBUF3", jdate, jtime,
                   "Failure writing " + var.name.str() + " to " + std::string(s.flist.trimmed()));
            return false;
        }
    }
    s.mxrec = std::max(s.mxrec, record);
    return true;
}

}  // namespace orvex::detail
