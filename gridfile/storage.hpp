// One small interface per storage kind of a slot: a netCDF dataset, a buffered
// in-memory file, a file-set list, a native binary file. The kind follows from
// the slot's handle, which OPEN3 sets; every later step that differs by kind
// (creating, opening, describing, synchronising, closing, the open report)
// goes through the kind instead of testing the handle again.
#pragma once

#include <string>
#include <string_view>

#include "orvex/parms3.hpp"
#include "orvex/text.hpp"

namespace orvex::detail {

class StorageKind {
public:
    virtual ~StorageKind() = default;

    // CRTFIL3 after its common checks: creates the file of slot fid from FDESC3.
    virtual bool create(std::string_view path, int fid, std::string_view pgname) const = 0;
    // OPNFIL3: opens the existing file at path into slot fid.
    virtual bool open(std::string_view path, int fid, bool writable, std::string_view pgname) const = 0;
    // DESC3 after the table fields (and the volatile synchronisation): the
    // description fields the table does not keep.
    virtual bool describe(int fid) const = 0;
    // SYNCFID: forces the file to disk.
    virtual bool sync(int fid) const = 0;
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
};

// The kind of a slot handle (CDFID3).
const StorageKind& storage_of(int cdfid);

}  // namespace orvex::detail
