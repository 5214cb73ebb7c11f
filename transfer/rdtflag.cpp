// Record slots and the time-flag check of READ3.
#include <netcdf.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "transfer/handoffs.hpp"
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

// Whether record slot step lies within the records the file holds. The
// slot's count is raised to the dataset's own when that is larger: a failed
// all-variables write leaves a partly written record behind, and a volatile
// file may have been extended by another process since it was opened.
bool holds_record(FileSlot& s, int step) {
    if (step <= s.mxrec) return true;
    if (s.cdfid < 0 || s.tstep <= 0) return false;
    int dimid = 0;
    std::size_t len = 0;
    if (nc_inq_dimid(s.cdfid, "TSTEP", &dimid) != NC_NOERR || nc_inq_dimlen(s.cdfid, dimid, &len) != NC_NOERR)
        return false;
    if (static_cast<long long>(len) > s.mxrec) s.mxrec = static_cast<int>(len);
    return step <= s.mxrec;
}

// Reads npairs stored pairs from variable `first` on at record slot step.
// Returns the failure message, empty on success.
std::string read_pairs(int fid, int vid, int first, int npairs, int step, int* pairs) {
    FileSlot& s = slot(fid);
    const std::string fname(s.flist.trimmed());
    if (s.cdfid == BINFIL3) {
        if (binary_read_flags(fid, vid, step, pairs)) return {};
        return "Error reading time-flags for BINIO3 file " + fname;
    }
    // netCDF's own answer for a slot beyond the records differs between
    // read-only and writable datasets: the record count decides.
    int status = NC_EINVALCOORDS;
    if (holds_record(s, step)) status = get_slab(s.cdfid, s.tindx, flag_slab(first, npairs, step), QVINT, pairs);
    if (status == NC_NOERR) return {};
    if (status == NC_EINVALCOORDS) return "Time step not yet written in file " + fname;
    QVMSG2("netCDF error number" + fmt_I(status, 5));
    return "Error reading netCDF time step flag for " + fname;
}

}  // namespace

bool RDTFLAG(int& fid, int vid, int jdate, int jtime, int& step, bool verbose) {
    if (slot(fid).cdfid == LSTFIL3 && !list_member(fid, vid, jdate, jtime)) return false;
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
    const std::string failure = read_pairs(fid, vid, first, npairs, step, pairs);
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
