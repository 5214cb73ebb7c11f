// Storing one time-flag pair.
#include <netcdf.h>

#include "orvex/operations.hpp"
#include "support/logfile.hpp"
#include "transfer/handoffs.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

bool WRTFLAG(int fid, int vid, const FlagPair& flag, int step) {
    FileSlot& s = slot(fid);
    const std::string fname(s.flist.trimmed());
    int v = vid;
    if (v < 1) {
        if (var_count(s) > 0) {
            QVMSG2("Invalid call to WRTFLAG() for file " + fname);
            return false;
        }
        v = 1;
    }
    const std::string first_line = "WRTFLAG:  Error writing time-flag for vble " + var_name(s, v) + "from file " + fname;

    if (s.cdfid >= 0) {
        const Hyperslab slab = flag_slab(v, 1, step);
        const int status = put_slab(s.cdfid, s.tindx, slab, QVINT, flag.data());
        if (status == NC_NOERR) return true;
        log_line(first_line);
        log_line("netCDF error number" + diag_number(status));
        log_line("ORVEX file ID " + diag_number(fid));
        log_line("netCDF ID     " + diag_number(s.cdfid));
        log_line("variable      " + diag_number(s.tindx));
        log_line("dims array    " + diag_vector(slab.dims));
        log_line("delts array   " + diag_vector(slab.delts));
        log_blank_line();
        log_flush();
        return false;
    }
    if (s.cdfid == BINFIL3) {
        if (binary_write_flag(fid, v, flag, step)) return true;
        log_line(first_line);
        log_flush();
        return false;
    }
    QVMSG2("WRTFLAG:  invalid file type for " + fname);
    return false;
}

}  // namespace orvex::detail
