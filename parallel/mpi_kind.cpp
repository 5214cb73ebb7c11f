// The storage kind of "MPI:" files: one classic netCDF file that all the ranks
// of the run create, open, read, write and close together through PnetCDF.
//
// The header is the serial creation's and opening's own (the file layer's
// header code runs over PnetCDF's calls), so that a file written by N ranks is
// byte for byte the file one process writes. Every step that can fail ends
// with the ranks' agreement on its outcome: no rank goes on to a collective
// call that another has given up before.
#include <pnetcdf.h>

#include <array>
#include <string>

#include "gridfile/filetypes.hpp"
#include "gridfile/hdrcheck.hpp"
#include "gridfile/hyperslab.hpp"
#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "parallel/kind.hpp"
#include "parallel/run.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"
#include "transfer/transfer.hpp"

namespace orvex::parallel::detail {

using namespace orvex::detail;

namespace {

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// The hints of every creation and opening: no alignment beyond netCDF's own,
// so that the header and the variables lie where the serial library puts them.
class Hints {
public:
    Hints() {
        MPI_Info_create(&info_);
        MPI_Info_set(info_, "nc_header_align_size", "1");
        MPI_Info_set(info_, "nc_var_align_size", "1");
        MPI_Info_set(info_, "nc_record_align_size", "1");
    }
    ~Hints() { MPI_Info_free(&info_); }
    Hints(const Hints&) = delete;
    Hints& operator=(const Hints&) = delete;
    MPI_Info get() const { return info_; }

private:
    MPI_Info info_ = MPI_INFO_NULL;
};

// Whether READ3 or WRITE3 reached this kind (and so agreed on its start)
// before settle() is asked for the last word.
bool entered = false;

// Gridded files only; the same refusal on every rank.
bool gridded(int ftype, int fid) {
    if (ftype == GRDDED3) return true;
    warn_block("OPEN3", {"MPI: files hold gridded data only; file " + lname(fid) + " is of type " +
                             std::string(trim_right(logged_type_name(ftype)))});
    return false;
}

// The run's tiles against the grid of slot fid's file.
bool tiles_fit(int ncols, int nrows, int fid) {
    const std::string misfit = tiles_misfit(ncols, nrows);
    if (misfit.empty()) return true;
    warn_block("OPEN3", {"Bad tiles for MPI: file " + lname(fid) + ":", misfit});
    return false;
}

// Leaves the dataset of slot fid and clears its handle.
void drop(int fid) {
    FileSlot& s = slot(fid);
    if (s.cdfid != IMISS3) ncmpi_close(s.cdfid);
    s.cdfid = IMISS3;
    s.calls = nullptr;
}

// Record slot step of the file (1-based) in netCDF's order with this rank's
// tile: (TSTEP, LAY, ROW, COL) from the record layout's slab, fastest first.
struct TileSlab {
    std::array<MPI_Offset, 4> start{};
    std::array<MPI_Offset, 4> count{};
    long long elements = 0;
};

TileSlab tile_slab(const Hyperslab& slab) {
    const Tile& t = run().tile;
    TileSlab out;
    out.start = {slab.dims[3] - 1, slab.dims[2] - 1, t.row0 - 1, t.col0 - 1};
    out.count = {slab.delts[3], slab.delts[2], t.nrows, t.ncols};
    out.elements = static_cast<long long>(t.ncols) * t.nrows * slab.delts[2];
    return out;
}

int put_tile(int ncid, const VarSlot& var, const TileSlab& ts, const void* mem) {
    switch (var.vtype) {
        case QVDBLE:
            return ncmpi_put_vara_double_all(ncid, var.vid, ts.start.data(), ts.count.data(),
                                             static_cast<const double*>(mem));
        case QVREAL:
            return ncmpi_put_vara_float_all(ncid, var.vid, ts.start.data(), ts.count.data(),
                                            static_cast<const float*>(mem));
        default:
            return ncmpi_put_vara_int_all(ncid, var.vid, ts.start.data(), ts.count.data(),
                                          static_cast<const int*>(mem));
    }
}

int get_tile(int ncid, const VarSlot& var, const TileSlab& ts, void* mem) {
    switch (var.vtype) {
        case QVDBLE:
            return ncmpi_get_vara_double_all(ncid, var.vid, ts.start.data(), ts.count.data(),
                                             static_cast<double*>(mem));
        case QVREAL:
            return ncmpi_get_vara_float_all(ncid, var.vid, ts.start.data(), ts.count.data(),
                                            static_cast<float*>(mem));
        default:
            return ncmpi_get_vara_int_all(ncid, var.vid, ts.start.data(), ts.count.data(), static_cast<int*>(mem));
    }
}

// A collective call's status, agreed: NC_NOERR on every rank or an error on every rank.
int agreed(int status) { return agree(status == NC_NOERR) ? NC_NOERR : (status != NC_NOERR ? status : NC_EFILE); }

// The records of the file's record axis (0 for a file without one).
MPI_Offset record_count(int ncid) {
    int unlimited = -1;
    MPI_Offset n = 0;
    if (ncmpi_inq_unlimdim(ncid, &unlimited) != NC_NOERR || unlimited < 0) return 0;
    if (ncmpi_inq_dimlen(ncid, unlimited, &n) != NC_NOERR) return 0;
    return n;
}

// The records from the file's end up to record slot step are filled as the
// serial library fills them when a write extends the file: every record
// variable, fill values, record by record.
int fill_new_records(const FileSlot& s, int step) {
    if (s.tstep <= 0) return NC_NOERR;
    for (MPI_Offset r = record_count(s.cdfid); r < step; ++r) {
        int status = ncmpi_fill_var_rec(s.cdfid, s.tindx, r);
        for (const VarSlot& var : s.vars)
            if (status == NC_NOERR) status = ncmpi_fill_var_rec(s.cdfid, var.vid, r);
        if ((status = agreed(status)) != NC_NOERR) return status;
    }
    return NC_NOERR;
}

class MpiKind final : public StorageKind {
public:
    bool create(std::string_view path, int fid, std::string_view pgname) const override {
        FileSlot& s = slot(fid);
        if (!gridded(FDESC3.FTYPE3D, fid) || !tiles_fit(FDESC3.NCOLS3D, FDESC3.NROWS3D, fid)) return false;
        // The header's creation date and time are rank 0's: the ranks write one header.
        std::array<int, 2> when{LAYER_STATE.curdate, LAYER_STATE.curtime};
        MPI_Bcast(when.data(), 2, MPI_INT, 0, run().comm);
        LAYER_STATE.curdate = when[0];
        LAYER_STATE.curtime = when[1];

        const std::string p(trim_right(path));
        const Hints hints;
        // Parallel files are classic: 64-bit offsets when asked for, even where netCDF-4 is asked for the others.
        const int mode = NC_NOCLOBBER | (LAYER_STATE.offset64 ? NC_64BIT_OFFSET : 0);
        int ncid = -1;
        int status = ncmpi_create(run().comm, p.c_str(), mode, hints.get(), &ncid);
        if (status == NC_NOERR) status = ncmpi_set_fill(ncid, NC_FILL, nullptr);
        if (agreed(status) != NC_NOERR) {
            if (ncid >= 0 && status == NC_NOERR) ncmpi_abort(ncid);
            QVABORT(s.flist, fid, status != NC_NOERR ? status : NC_EFILE, "Error creating netCDF file");
            QVMSG2(p);
            return false;
        }
        s.cdfid = ncid;
        s.calls = &pnetcdf_calls();
        if (agree(write_header(fid, pgname))) return true;
        drop(fid);
        return false;
    }

    bool open(std::string_view path, int fid, bool writable, std::string_view pgname) const override {
        FileSlot& s = slot(fid);
        const std::string p(trim_right(path));
        // The same refusal as the serial open's for a header that claims more than its file holds.
        const std::string lie = classic_header_lie(p);
        if (!lie.empty()) QVMSG2("Refused netCDF header of " + p + ": " + lie);
        const Hints hints;
        int ncid = -1;
        int status = lie.empty() ? ncmpi_open(run().comm, p.c_str(), writable ? NC_WRITE : NC_NOWRITE, hints.get(), &ncid)
                                 : NC_ENOTNC;
        if (agreed(status) != NC_NOERR) {
            if (status == NC_NOERR) ncmpi_close(ncid);
            QVABORT(s.flist, fid, status != NC_NOERR ? status : NC_EFILE, "Error opening file at path-name:");
            QVMSG2(p);
            return false;
        }
        s.cdfid = ncid;
        s.calls = &pnetcdf_calls();
        if (!agree(read_header(fid, writable, pgname))) {
            drop(fid);
            return false;
        }
        if (gridded(s.ftype, fid) && tiles_fit(s.ncols, s.nrows, fid)) return true;
        drop(fid);
        return false;
    }

    bool describe(int fid) const override { return agree(describe_netcdf(fid)); }

    bool flush(int fid) const override { return agreed(ncmpi_sync(slot(fid).cdfid)) == NC_NOERR; }
    bool sync(int fid) const override {
        const int status = agreed(ncmpi_sync(slot(fid).cdfid));
        if (status == NC_NOERR) return true;
        QVMSG2("Error flushing netCDF file " + quoted(lname(fid)));
        QVMSG2("netCDF error number" + fmt_I(status, 9));
        return false;
    }
    bool close(int fid, std::string_view fname) const override {
        const int status = agreed(ncmpi_close(slot(fid).cdfid));
        if (status == NC_NOERR) return true;
        const std::string msg = "Error closing netCDF file " + quoted(fname);
        QVMSG2(msg);
        warn_block("CLOSE3", {"netCDF error number" + fmt_I(status, 9), msg});
        return false;
    }
    bool shut(int fid) const override {
        const int status = agreed(ncmpi_close(slot(fid).cdfid));
        if (status == NC_NOERR) return true;
        warn_block("SHUT3",
                   {"Error closing netCDF file ", "File name:  " + lname(fid), "netCDF error number" + fmt_I(status, 9)});
        return false;
    }
    void discard(int fid) const override { drop(fid); }

    int exec_id(int fid, Text<MXDLEN3>& id) const override {
        Text<MXDLEN3> field;
        const int status =
            NcFile(slot(fid).cdfid, slot(fid).flist, fid).get_text(NC_GLOBAL, "EXEC_ID", {field.data(), field.size()}, "");
        if (status == NC_NOERR) id = field;
        return status;
    }
    // The id as serial netCDF numbers its datasets (the lowest free index
    // from 1, shifted by 16 bits) where PnetCDF counts from 0, so that rank 0's
    // log is the one a serial run of the same calls writes.
    std::string access_line(int fid, std::string_view access) const override {
        return "NetCDF ID: " + fmt_I((slot(fid).cdfid + 1) << 16, 9) + "  opened as " + std::string(access);
    }
    bool is_netcdf() const override { return true; }

    // Rank 0 looks and removes; the others take its answer.
    bool path_exists(const std::string& path) const override {
        int there = run().rank == 0 && StorageKind::path_exists(path) ? 1 : 0;
        MPI_Bcast(&there, 1, MPI_INT, 0, run().comm);
        return there != 0;
    }
    int remove_path(const std::string& path) const override {
        int status = run().rank == 0 ? StorageKind::remove_path(path) : 0;
        MPI_Bcast(&status, 1, MPI_INT, 0, run().comm);
        return status;
    }

    // A rank that failed READ3 or WRITE3 before reaching the kind takes part
    // in the agreement on the start that the others make there.
    bool settle(int, bool ok) const override {
        if (entered) {
            entered = false;
            return ok;
        }
        agree(false);
        return false;
    }

    bool read(int fid, int vid, int layer, int jdate, int jtime, void* buffer) const override {
        entered = true;
        if (!agree(true)) return false;
        return agree(StorageKind::read(fid, vid, layer, jdate, jtime, buffer));
    }
    bool write(int fid, int vid, int jdate, int jtime, int step, const void* buffer) const override {
        entered = true;
        if (!agree(true)) return false;
        const int status = fill_new_records(slot(fid), step);
        if (status != NC_NOERR) {
            QVMSG2("netCDF error number" + fmt_I(status, 9) + "  Error filling new records of file " + lname(fid));
            return agree(false);
        }
        return agree(StorageKind::write(fid, vid, jdate, jtime, step, buffer));
    }

    // Every rank reads the same pairs.
    std::string read_flags(int fid, int, int first, int npairs, int step, int* pairs) const override {
        const FileSlot& s = slot(fid);
        int status = NC_EINVALCOORDS;
        if (s.tstep <= 0 || step <= record_count(s.cdfid)) {
            const std::array<MPI_Offset, 3> start{step - 1, first - 1, 0};
            const std::array<MPI_Offset, 3> count{1, npairs, 2};
            status = agreed(ncmpi_get_vara_int_all(s.cdfid, s.tindx, start.data(), count.data(), pairs));
        }
        if (status == NC_NOERR) return {};
        const std::string fname(s.flist.trimmed());
        if (status == NC_EINVALCOORDS) return "Time step not yet written in file " + fname;
        QVMSG2("netCDF error number" + fmt_I(status, 5));
        return "Error reading netCDF time step flag for " + fname;
    }

    // Rank 0 writes the pair; the others take part in the collective call.
    bool write_flag(int fid, int v, const FlagPair& flag, int step, const std::string& first_line) const override {
        const FileSlot& s = slot(fid);
        const std::array<MPI_Offset, 3> start{step - 1, v - 1, 0};
        const std::array<MPI_Offset, 3> count{1, run().rank == 0 ? 1 : 0, 2};
        const int status = agreed(ncmpi_put_vara_int_all(s.cdfid, s.tindx, start.data(), count.data(), flag.data()));
        if (status == NC_NOERR) return true;
        log_line(first_line);
        log_line("netCDF error number" + diag_number(status));
        log_line("ORVEX file ID " + diag_number(fid));
        log_line("netCDF ID     " + diag_number(s.cdfid));
        log_line("variable      " + diag_number(s.tindx));
        log_blank_line();
        log_flush();
        return false;
    }

    // The rank's tile of each variable, back to back.
    bool read_vars(int fid, int vid, const Hyperslab& slab, int, void* buffer) const override {
        const FileSlot& s = slot(fid);
        const TileSlab ts = tile_slab(slab);
        auto* out = static_cast<std::byte*>(buffer);
        for (int v = vid > 0 ? vid : 1; v <= (vid > 0 ? vid : var_count(s)); ++v) {
            const VarSlot& var = s.vars[static_cast<std::size_t>(v - 1)];
            const int status = agreed(get_tile(s.cdfid, var, ts, out));
            if (status != NC_NOERR) {
                QVMSG2("netCDF error number" + fmt_I(status, 6) + "  Error reading variable \"" + var.name.str() +
                       "\" from file \"" + s.flist.str() + "\"");
                return false;
            }
            out += static_cast<std::size_t>(ts.elements) * static_cast<std::size_t>(words_per_element(var.vtype)) * 4;
        }
        return true;
    }

    bool write_vars(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int,
                    const void* buffer) const override {
        const FileSlot& s = slot(fid);
        const TileSlab ts = tile_slab(slab);
        const std::string fname(s.flist.trimmed());
        const int n = var_count(s);
        if (vid == ALLVARS && n == 0 && !WRTFLAG(fid, ALLVARS, flag, step)) return false;
        const auto* in = static_cast<const std::byte*>(buffer);
        for (int v = vid > 0 ? vid : 1; v <= (vid > 0 ? vid : n); ++v) {
            const VarSlot& var = s.vars[static_cast<std::size_t>(v - 1)];
            const int status = agreed(put_tile(s.cdfid, var, ts, in));
            if (status != NC_NOERR) {
                warn_block("WRVARS", {"Error writing variable " + var_name(s, v) + "to file " + s.flist.str(),
                                      "netCDF error number" + diag_number(status)});
                return false;
            }
            if (!WRTFLAG(fid, v, flag, step)) {
                if (vid == ALLVARS) QVMSG2("Error writing time-flags for file " + fname);
                return false;
            }
            in += static_cast<std::size_t>(ts.elements) * static_cast<std::size_t>(words_per_element(var.vtype)) * 4;
        }
        if (vid == ALLVARS && s.volat && !SYNCFID(fid)) {
            QVMSG2("Error with disk synchronization for file:  " + fname);
            return false;
        }
        return true;
    }
};

}  // namespace

const StorageKind& mpi_kind() {
    static const MpiKind kind;
    return kind;
}

}  // namespace orvex::parallel::detail
