// One small interface per storage kind of a slot: a netCDF dataset, a buffered
// in-memory file, a file-set list, a native binary file. OPEN3 and the
// creators choose the kind once and store it in the slot; every later step
// that differs by kind, from creating and opening to the time flags and the
// variables of one record, goes through the slot's kind instead of testing its
// handle again. Each kind lives with its piece: the netCDF kind in
// gridfile/netcdf_kind.cpp, the buffered kind in transfer/buffered_kind.cpp,
// the list and binary kinds in support/list_kind.cpp and support/binary_kind.cpp.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "gridfile/state3.hpp"
#include "orvex/parms3.hpp"
#include "orvex/text.hpp"

namespace orvex::detail {

struct Hyperslab;

// One (date, time) time-flag pair.
using FlagPair = std::array<int, 2>;

class StorageKind {
public:
    virtual ~StorageKind() = default;

    // ---- File-level steps -------------------------------------------------------
    // CRTFIL3 after its common checks: creates the file of slot fid from FDESC3.
    virtual bool create(std::string_view path, int fid, std::string_view pgname) const = 0;
    // OPNFIL3: opens the existing file at path into slot fid.
    virtual bool open(std::string_view path, int fid, bool writable, std::string_view pgname) const = 0;
    // DESC3 after the table fields (and the volatile synchronisation): the
    // description fields the table does not keep.
    virtual bool describe(int fid) const = 0;
    // SYNCFID: forces the file to disk.
    virtual bool sync(int fid) const = 0;
    // The same without a report (a list's members): true when it worked.
    virtual bool flush(int fid) const { return sync(fid); }
    // CLOSE3: closes the file; fname is CLOSE3's argument at its full width.
    // False (reported) leaves the slot as it was.
    virtual bool close(int fid, std::string_view fname) const = 0;
    // SHUT3: closes the file, reporting failures with SHUT3's block.
    virtual bool shut(int fid) const = 0;
    // Closes a file whose open or creation has failed part way, without report.
    virtual void discard(int fid) const = 0;
    // The open report: the file's execution identifier (the netCDF status of
    // reading it; 0 when read) and the access line (empty when there is none).
    virtual int exec_id(int fid, Text<MXDLEN3>& id) const = 0;
    virtual std::string access_line(int fid, std::string_view access) const = 0;
    // Whether the slot holds a netCDF dataset whose header can be read again.
    virtual bool is_netcdf() const { return false; }

    // ---- Files shared by several processes --------------------------------------
    // OPEN3's look at the path before it opens or creates: whether a file is
    // there, and its removal for FSCREA3 (RMFILE's status). A kind whose file
    // all the processes of a run open together answers once for all of them.
    virtual bool path_exists(const std::string& path) const;
    virtual int remove_path(const std::string& path) const;
    // The last word of READ3 and WRITE3 on slot fid, whatever became of the
    // call on the way (ok): a kind whose calls are made together by several
    // processes returns the outcome they agree on; by default ok stands.
    virtual bool settle(int, bool ok) const { return ok; }

    // ---- Record-level steps -----------------------------------------------------
    // READ3 after its argument checks: variable vid (ALLVARS for all), layer
    // (ALLAYS3 for all) at jdate:jtime into buffer. By default the time flags
    // are checked and the record layout of the file type moves the data.
    virtual bool read(int fid, int vid, int layer, int jdate, int jtime, void* buffer) const;
    // WRITE3 after its checks: variable vid (ALLVARS for all) at jdate:jtime,
    // record slot step. By default the record layout writes data and flags.
    virtual bool write(int fid, int vid, int jdate, int jtime, int step, const void* buffer) const;
    // RDTFLAG's choice of the slot that answers for jdate:jtime: fid itself,
    // or for a file-set list the member that holds it (false, reported, when
    // none does).
    virtual bool member(int& fid, int vid, int jdate, int jtime) const;
    // npairs stored time-flag pairs from variable `first` on (vid: the
    // variable asked for, ALLVARS for all) at record slot step. Returns the
    // failure message, empty on success.
    virtual std::string read_flags(int fid, int vid, int first, int npairs, int step, int* pairs) const;
    // WRTFLAG's store of variable v's pair at record slot step; first_line
    // heads the failure report.
    virtual bool write_flag(int fid, int v, const FlagPair& flag, int step, const std::string& first_line) const;
    // RDVARS and WRVARS: variable vid or every variable (ALLVARS), each moving
    // delta elements of the hyperslab.
    virtual bool read_vars(int fid, int vid, const Hyperslab& slab, int delta, void* buffer) const;
    virtual bool write_vars(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int delta,
                            const void* buffer) const;
};

// The kinds without a netCDF header: nothing to describe, synchronise or close
// unless they say otherwise; the layer's own execution identifier stands for
// the file's; the access line names the kind.
class HeaderlessKind : public StorageKind {
public:
    explicit HeaderlessKind(std::string_view access_prefix) : prefix_(access_prefix) {}
    bool create(std::string_view, int, std::string_view) const override { return false; }
    bool open(std::string_view, int, bool, std::string_view) const override { return false; }
    bool describe(int) const override { return true; }
    bool sync(int) const override { return true; }
    bool close(int, std::string_view) const override { return true; }
    bool shut(int) const override { return true; }
    void discard(int) const override {}
    int exec_id(int, Text<MXDLEN3>& id) const override;
    std::string access_line(int, std::string_view access) const override;

private:
    std::string_view prefix_;
};

// The kinds, one object each.
const StorageKind& netcdf_kind();
const StorageKind& buffered_kind();
const StorageKind& list_kind();
const StorageKind& binary_kind();
// Virtual files are never opened; a slot without a kind has no access line
// and nothing to close.
const StorageKind& virtual_kind();
const StorageKind& no_kind();

// The kind of the files that the processes of a parallel run share (a logical
// name whose value begins with "MPI:"): set by the parallel library when it is
// started; nullptr in a program without it. The core knows it only by this
// interface.
const StorageKind* parallel_kind();
void set_parallel_kind(const StorageKind* kind);

// The kind of slot fid.
inline const StorageKind& kind_of(int fid) {
    const StorageKind* k = slot(fid).kind;
    return k != nullptr ? *k : no_kind();
}

}  // namespace orvex::detail
