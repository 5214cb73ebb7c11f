#include "gridfile/storage.hpp"

#include <netcdf.h>

#include <string>

#include "gridfile/handoffs.hpp"
#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex::detail {

namespace {

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// ---- netCDF datasets -----------------------------------------------------------
class NetcdfKind final : public StorageKind {
public:
    bool create(std::string_view path, int fid, std::string_view pgname) const override {
        return create_netcdf(path, fid, pgname);
    }
    bool open(std::string_view path, int fid, bool writable, std::string_view pgname) const override {
        return open_netcdf(path, fid, writable, pgname);
    }
    bool describe(int fid) const override { return describe_netcdf(fid); }
    bool sync(int fid) const override {
        const int status = nc_sync(slot(fid).cdfid);
        if (status == NC_NOERR) return true;
        QVMSG2("Error flushing netCDF file " + quoted(lname(fid)));
        QVMSG2("netCDF error number" + fmt_I(status, 9));
        return false;
    }
    bool close(int fid, std::string_view fname) const override {
        const int status = nc_close(slot(fid).cdfid);
        if (status == NC_NOERR) return true;
        const std::string msg = "Error closing netCDF file " + quoted(fname);
        QVMSG2(msg);
        warn_block("CLOSE3", {"netCDF error number" + fmt_I(status, 9), msg});
        return false;
    }
    bool shut(int fid) const override {
        const int status = nc_close(slot(fid).cdfid);
        if (status == NC_NOERR) return true;
        warn_block("SHUT3", {"Error closing netCDF file ", "File name:  " + lname(fid),
                             "netCDF error number" + fmt_I(status, 9)});
        return false;
    }
    void discard(int fid) const override { nc_close(slot(fid).cdfid); }
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
};

// ---- Kinds without a netCDF header: nothing to describe, synchronise or close
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
    int exec_id(int, Text<MXDLEN3>& id) const override {
        id = STATE3.execid;
        return NC_NOERR;
    }
    std::string access_line(int, std::string_view access) const override {
        return prefix_.empty() ? std::string() : std::string(prefix_) + std::string(access);
    }

private:
    std::string_view prefix_;
};

// ---- Buffered in-memory files -----------------------------------------------------
class BufferedKind final : public HeaderlessKind {
public:
    BufferedKind() : HeaderlessKind("BUFFERED \"file\" opened as ") {}
    bool create(std::string_view, int fid, std::string_view) const override { return buffered_create(fid); }
    bool open(std::string_view, int fid, bool, std::string_view) const override {
        QVMSG2("Error opening \"BUFFERED\" file " + lname(fid));
        QVMSG2("File has not yet been created.");
        return false;
    }
    // No header: the layer's identifier and clock, no program name, blank texts.
    bool describe(int) const override {
        FDESC3.EXECN3D = STATE3.execid;
        FDESC3.CDATE3D = FDESC3.WDATE3D = STATE3.curdate;
        FDESC3.CTIME3D = FDESC3.WTIME3D = STATE3.curtime;
        FDESC3.UPNAM3D = CMISS3;
        for (auto& line : FDESC3.FDESC3D) line = "";
        for (auto& line : FDESC3.UPDSC3D) line = "";
        return true;
    }
};

// ---- File-set lists -------------------------------------------------------------
class ListKind final : public HeaderlessKind {
public:
    ListKind() : HeaderlessKind("LIST-FILE SEQUENCE opened as ") {}
    bool create(std::string_view, int fid, std::string_view) const override {
        QVMSG2("LIST-file " + lname(fid) + " cannot be created");
        return false;
    }
    bool open(std::string_view, int fid, bool, std::string_view pgname) const override {
        return list_open(fid, pgname);
    }
    // Every member recorded for the list is synchronised (netCDF) or flushed (binary).
    bool sync(int fid) const override {
        const FileSlot& s = slot(fid);
        bool ok = true;
        for (int k = 0; k < s.nlist; ++k) {
            const int entry = s.ilist + k;
            if (entry < 1 || entry > MXFILE3) break;
            const int member = STATE3.list[static_cast<std::size_t>(entry - 1)].fid;
            if (member < 1 || member > MXFILE3) continue;
            const int handle = slot(member).cdfid;
            if (handle >= 0) ok = nc_sync(handle) == NC_NOERR && ok;
            else if (handle == BINFIL3) ok = binary_flush(member) && ok;
        }
        if (!ok) QVMSG2("Error flushing list file " + quoted(lname(fid)));
        return ok;
    }
};

// ---- Native binary files ------------------------------------------------------------
class BinaryKind final : public HeaderlessKind {
public:
    BinaryKind() : HeaderlessKind("Native-binary file opened as ") {}
    bool create(std::string_view path, int fid, std::string_view) const override { return binary_create(path, fid); }
    bool open(std::string_view path, int fid, bool writable, std::string_view pgname) const override {
        return binary_open(path, fid, writable ? FSRDWR3 : FSRDONLY3, pgname);
    }
    bool describe(int fid) const override {
        if (binary_describe(fid)) return true;
        QVWARN("DESC3", 0, 0, "Error reading header for BINFIL3 file " + lname(fid));
        return false;
    }
    bool sync(int fid) const override {
        if (binary_flush(fid)) return true;
        QVMSG2("Error flushing BINIO3 file " + quoted(lname(fid)));
        return false;
    }
    bool close(int fid, std::string_view fname) const override {
        if (binary_close(fid)) return true;
        QVMSG2("Error closing BINFIL3 file " + quoted(fname));
        return false;
    }
    bool shut(int fid) const override {
        if (binary_close(fid)) return true;
        warn_block("SHUT3", {"Error closing BINFIL3 file ", "File name:  " + lname(fid)});
        return false;
    }
    void discard(int fid) const override { binary_close(fid); }
};

const NetcdfKind NETCDF_KIND;
const BufferedKind BUFFERED_KIND;
const ListKind LIST_KIND;
const BinaryKind BINARY_KIND;
// Virtual files are never opened; unknown handle codes have no access line.
const HeaderlessKind VIRTUAL_KIND("VIRTUAL \"file\" opened as ");
const HeaderlessKind UNKNOWN_KIND("");

}  // namespace

const StorageKind& storage_of(int cdfid) {
    if (cdfid >= 0) return NETCDF_KIND;
    switch (cdfid) {
        case BUFFIL3: return BUFFERED_KIND;
        case VIRFIL3: return VIRTUAL_KIND;
        case LSTFIL3: return LIST_KIND;
        case BINFIL3: return BINARY_KIND;
        default: return UNKNOWN_KIND;
    }
}

}  // namespace orvex::detail
