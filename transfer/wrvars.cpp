// Hyperslab writes of one variable or of all variables, each followed by its
// time flag.
#include <netcdf.h>

#include <cstddef>

#include "orvex/operations.hpp"
#include "support/logfile.hpp"
#include "transfer/handoffs.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

namespace {

// The block written straight to the log when a data write fails. offset is
// the word offset reached in an all-variables write, negative for one variable.
void report_write_failure(int fid, int v, int status, const Hyperslab& slab, long long offset) {
    const FileSlot& s = slot(fid);
    const bool all = offset >= 0;
    log_blank_line();
    log_blank_line();
    log_line(">>> WARNING in subroutine WRVARS <<<");
    log_line("Error writing variable " + var_name(s, v) + "to file " + s.flist.str());
    log_line("netCDF error number" + diag_number(status));
    const int vid = s.vars[static_cast<std::size_t>(v - 1)].vid;
    log_line((all ? "ORVEX ID    " : "ORVEX file ID ") + diag_number(fid));
    log_line((all ? "netCDF ID   " : "netCDF ID     ") + diag_number(s.cdfid));
    log_line((all ? "vble        " : "variable      ") + diag_number(vid));
    log_line((all ? "dims array  " : "dims array    ") + diag_vector(slab.dims));
    log_line((all ? "delts array " : "delts array   ") + diag_vector(slab.delts));
    if (all) {
        log_line("offset      " + diag_number(offset));
        log_line("WRITE3 request: ALL VARIABLES");
    }
    log_blank_line();
    log_flush();
}

}  // namespace

bool WRVARS(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int delta,
            const void* buffer) {
    FileSlot& s = slot(fid);
    if (s.cdfid == BINFIL3) return binary_write_vars(fid, vid, flag, step, slab, delta, buffer);

    if (vid > 0) {
        const VarSlot& var = s.vars[static_cast<std::size_t>(vid - 1)];
        const int status = put_slab(s.cdfid, var.vid, slab, var.vtype, buffer);
        if (status != NC_NOERR) {
            report_write_failure(fid, vid, status, slab, -1);
            return false;
        }
        return WRTFLAG(fid, vid, flag, step);
    }

    const std::string fname(s.flist.trimmed());
    const int n = var_count(s);
    if (n == 0 && !WRTFLAG(fid, ALLVARS, flag, step)) return false;
    const auto* in = static_cast<const std::byte*>(buffer);
    long long offset = 0;  // words
    for (int v = 1; v <= n; ++v) {
        const VarSlot& var = s.vars[static_cast<std::size_t>(v - 1)];
        const int status = put_slab(s.cdfid, var.vid, slab, var.vtype, in + offset * 4);
        if (status != NC_NOERR) {
            report_write_failure(fid, v, status, slab, offset);
            return false;
        }
        if (!WRTFLAG(fid, v, flag, step)) {
            QVMSG2("Error writing time-flags for file " + fname);
            return false;
        }
        offset += static_cast<long long>(delta) * words_per_element(var.vtype);
    }
    if (s.volat && !SYNCFID(fid)) {
        QVMSG2("Error with disk synchronization for file:  " + fname);
        return false;
    }
    return true;
}

}  // namespace orvex::detail
