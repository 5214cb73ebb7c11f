// The netCDF storage kind: a slot whose handle is a netCDF dataset id.
#include <netcdf.h>

#include <cstddef>
#include <string>
#include <vector>

#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

namespace {

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Whether record slot step lies within the records the file holds. The
// slot's count is raised to the dataset's own when that is larger: a failed
// all-variables write leaves a partly written record behind, and a volatile
// file may have been extended by another process since it was opened.
bool holds_record(FileSlot& s, int step) {
    if (step <= s.mxrec) return true;
    if (s.tstep <= 0) return false;
    int dimid = 0;
    std::size_t len = 0;
    const NcFile nc(s.cdfid);
    if (nc.inq_dimid("TSTEP", dimid, "") != NC_NOERR || nc.inq_dimlen(dimid, len, "") != NC_NOERR) return false;
    if (static_cast<long long>(len) > s.mxrec) s.mxrec = static_cast<int>(len);
    return step <= s.mxrec;
}

// The block written straight to the log when a data write fails. offset is
// the word offset reached in an all-variables write, negative for one variable.
void report_write_failure(int fid, int v, int status, const Hyperslab& slab, long long offset) {
    const FileSlot& s = slot(fid);
    const bool all = offset >= 0;
    const int vid = s.vars[static_cast<std::size_t>(v - 1)].vid;
    std::vector<BlockLine> lines = {
        "Error writing variable " + var_name(s, v) + "to file " + s.flist.str(),
        "netCDF error number" + diag_number(status),
        (all ? "ORVEX ID    " : "ORVEX file ID ") + diag_number(fid),
        (all ? "netCDF ID   " : "netCDF ID     ") + diag_number(s.cdfid),
        (all ? "vble        " : "variable      ") + diag_number(vid),
        (all ? "dims array  " : "dims array    ") + diag_vector(slab.dims),
        (all ? "delts array " : "delts array   ") + diag_vector(slab.delts),
    };
    if (all) {
        lines.emplace_back("offset      " + diag_number(offset));
        lines.emplace_back("WRITE3 request: ALL VARIABLES");
    }
    log_warning_block("WRVARS", {LogSeparator::blank, 2, 1, true}, lines);
}

class NetcdfKind final : public StorageKind {
public:
    bool create(std::string_view path, int fid, std::string_view pgname) const override {
        return create_netcdf(path, fid, pgname);
    }
    bool open(std::string_view path, int fid, bool writable, std::string_view pgname) const override {
        return open_netcdf(path, fid, writable, pgname);
    }
    bool describe(int fid) const override { return describe_netcdf(fid); }
    bool flush(int fid) const override { return NcFile(slot(fid).cdfid).sync("") == NC_NOERR; }
    bool sync(int fid) const override {
        const int status = NcFile(slot(fid).cdfid).sync("");
        if (status == NC_NOERR) return true;
        QVMSG2("Error flushing netCDF file " + quoted(lname(fid)));
        QVMSG2("netCDF error number" + fmt_I(status, 9));
        return false;
    }
    bool close(int fid, std::string_view fname) const override {
        const int status = NcFile(slot(fid).cdfid).close("");
        if (status == NC_NOERR) return true;
        const std::string msg = "Error closing netCDF file " + quoted(fname);
        QVMSG2(msg);
        warn_block("CLOSE3", {"netCDF error number" + fmt_I(status, 9), msg});
        return false;
    }
    bool shut(int fid) const override {
        const int status = NcFile(slot(fid).cdfid).close("");
        if (status == NC_NOERR) return true;
        warn_block("SHUT3", {"Error closing netCDF file ", "File name:  " + lname(fid),
                             "netCDF error number" + fmt_I(status, 9)});
        return false;
    }
    void discard(int fid) const override { NcFile(slot(fid).cdfid).close(""); }
    int exec_id(int fid, Text<MXDLEN3>& id) const override {
        Text<MXDLEN3> field;
        const int status = NcFile(slot(fid).cdfid, slot(fid).flist, fid)
                               .get_text(NC_GLOBAL, "EXEC_ID", {field.data(), field.size()}, "");
        if (status == NC_NOERR) id = field;
        return status;
    }
    std::string access_line(int fid, std::string_view access) const override {
        return "NetCDF ID: " + fmt_I(slot(fid).cdfid, 9) + "  opened as " + std::string(access);
    }
    bool is_netcdf() const override { return true; }

    // netCDF's own answer for a slot beyond the records differs between
    // read-only and writable datasets: the record count decides.
    std::string read_flags(int fid, int, int first, int npairs, int step, int* pairs) const override {
        FileSlot& s = slot(fid);
        int status = NC_EINVALCOORDS;
        if (holds_record(s, step)) status = get_slab(s.cdfid, s.tindx, flag_slab(first, npairs, step), QVINT, pairs);
        if (status == NC_NOERR) return {};
        const std::string fname(s.flist.trimmed());
        if (status == NC_EINVALCOORDS) return "Time step not yet written in file " + fname;
        QVMSG2("netCDF error number" + fmt_I(status, 5));
        return "Error reading netCDF time step flag for " + fname;
    }

    bool write_flag(int fid, int v, const FlagPair& flag, int step, const std::string& first_line) const override {
        const FileSlot& s = slot(fid);
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

    bool read_vars(int fid, int vid, const Hyperslab& slab, int delta, void* buffer) const override {
        const FileSlot& s = slot(fid);
        const int first = vid > 0 ? vid : 1;
        const int last = vid > 0 ? vid : var_count(s);
        auto* out = static_cast<std::byte*>(buffer);
        for (int v = first; v <= last; ++v) {
            const VarSlot& var = s.vars[static_cast<std::size_t>(v - 1)];
            const int status = get_slab(s.cdfid, var.vid, slab, var.vtype, out);
            if (status != NC_NOERR) {
                QVMSG2("netCDF error number" + fmt_I(status, 6) + "  Error reading variable \"" + var.name.str() +
                       "\" from file \"" + s.flist.str() + "\"");
                return false;
            }
            out += static_cast<std::size_t>(delta) * static_cast<std::size_t>(words_per_element(var.vtype)) * 4;
        }
        return true;
    }

    // Each variable is followed by its time flag; a volatile file goes to
    // disk after the last.
    bool write_vars(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int delta,
                    const void* buffer) const override {
        const FileSlot& s = slot(fid);
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
};

}  // namespace

const StorageKind& netcdf_kind() {
    static const NetcdfKind kind;
    return kind;
}

}  // namespace orvex::detail
