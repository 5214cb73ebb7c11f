// Record slots and the time-flag check of READ3.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

int record_slot(int r, int tstep) {
    if (tstep > 0) return r;
    if (tstep == 0) return 1;
    return (r - 1) % 2 + 1;
}

FlagPair expected_flag(int jdate, int jtime, int tstep) {
    return tstep == 0 ? FlagPair{0, 0} : FlagPair{jdate, jtime};
}

namespace {

std::string date_time(int jdate, int jtime) { return fmt_I(jdate, 9) + ":" + fmt_Im(jtime, 6, 6); }

}  // namespace

bool RDTFLAG(int& fid, int vid, int jdate, int jtime, int& step, bool verbose) {
    if (!kind_of(fid).member(fid, vid, jdate, jtime)) return false;
    FileSlot& s = slot(fid);
    if (s.ftype == DCTNRY3) {
        step = vid;
        return true;
    }

    const int r = JSTEP3(jdate, jtime, s.sdate, s.stime, std::abs(s.tstep));
    if (r < 0) {
        if (verbose) {
            QVMSG2("Requested date & time:    " + date_time(jdate, jtime));
            QVMSG2("File starting date & time:" + date_time(s.sdate, s.stime));
            QVMSG2("File time step:           " + fmt_Im(s.tstep, 6, 6));
            QVWARN("RDTFLAG", jdate, jtime, "Time step error for file:  " + s.flist.str());
        }
        return false;
    }
    step = record_slot(r, s.tstep);
    const FlagPair want = expected_flag(jdate, jtime, s.tstep);
    const std::string fname(s.flist.trimmed());

    if (s.volat && !SYNCFID(fid)) {
        QVWARN("RDTFLAG", jdate, jtime, "Error with disk synchronization for file:  " + fname);
        return false;
    }

    const int first = vid > 0 ? vid : 1;
    const int npairs = vid > 0 ? 1 : std::max(var_count(s), 1);
    FlagPair one{};
    std::vector<int> many;
    int* pairs = one.data();
    if (npairs > 1) {
        many.resize(2 * static_cast<std::size_t>(npairs));
        pairs = many.data();
    }
    const std::string failure = kind_of(fid).read_flags(fid, vid, first, npairs, step, pairs);
    if (!failure.empty()) {
        if (verbose) QVWARN("RDTFLAG", jdate, jtime, failure);
        return false;
    }

    bool ok = true;
    for (int k = 0; k < npairs; ++k) {
        if (pairs[2 * k] == want[0] && pairs[2 * k + 1] == want[1]) continue;
        ok = false;
        QVWARN("RDTFLAG", jdate, jtime,
               "Time step not available in file " + fname + " for variable " + var_name(s, first + k));
    }
    return ok;
}

}  // namespace orvex::detail
