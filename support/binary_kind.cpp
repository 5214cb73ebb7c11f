// The native binary storage kind: a gridded file kept in the layer's own
// binary form (OPEN3 on a name whose value begins with "BIN:").
#include <algorithm>
#include <span>
#include <string>

#include "gridfile/layer.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/iobin3.hpp"
#include "support/logfile.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

namespace {

class BinaryKind final : public HeaderlessKind {
public:
    BinaryKind() : HeaderlessKind("Native-binary file opened as ") {}
    bool create(std::string_view path, int fid, std::string_view) const override {
        slot(fid).cdfid = BINFIL3;
        return CRTBIN3(path, fid);
    }
    bool open(std::string_view path, int fid, bool writable, std::string_view pgname) const override {
        slot(fid).cdfid = BINFIL3;
        return OPNBIN3(path, fid, writable ? FSRDWR3 : FSRDONLY3, pgname);
    }
    bool describe(int fid) const override {
        if (DSCBIN3(fid)) return true;
        QVWARN("DESC3", 0, 0, "Error reading header for BINFIL3 file " + lname(fid));
        return false;
    }
    bool flush(int fid) const override { return FLUSHBIN3(fid); }
    bool sync(int fid) const override {
        if (FLUSHBIN3(fid)) return true;
        QVMSG2("Error flushing BINIO3 file \"" + lname(fid) + "\"");
        return false;
    }
    bool close(int fid, std::string_view fname) const override {
        if (CLOSEBIN3(fid)) return true;
        QVMSG2("Error closing BINFIL3 file \"" + std::string(fname) + "\"");
        return false;
    }
    bool shut(int fid) const override {
        if (CLOSEBIN3(fid)) return true;
        warn_block("SHUT3", {"Error closing BINFIL3 file ", "File name:  " + lname(fid)});
        return false;
    }
    void discard(int fid) const override { CLOSEBIN3(fid); }

    // Flags: the pair of variable vid, or every pair of the record (ALLVARS:
    // max(NVARS, 1) pairs).
    std::string read_flags(int fid, int vid, int, int, int step, int* pairs) const override {
        const int npairs = vid > 0 ? 1 : std::max(var_count(slot(fid)), 1);
        if (RDBFLAG(fid, vid, step, std::span<int>(pairs, 2 * static_cast<std::size_t>(npairs)))) return {};
        return "Error reading time-flags for BINIO3 file " + lname(fid);
    }
    bool write_flag(int fid, int v, const FlagPair& flag, int step, const std::string& first_line) const override {
        if (WRBFLAG(fid, v, step, flag)) return true;
        log_line(first_line);
        log_flush();
        return false;
    }
    bool read_vars(int fid, int vid, const Hyperslab& slab, int, void* buffer) const override {
        return bin_read_vars(fid, vid, slab, buffer);
    }
    bool write_vars(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int,
                    const void* buffer) const override {
        return bin_write_vars(fid, vid, flag, step, slab, buffer);
    }
};

}  // namespace

const StorageKind& binary_kind() {
    static const BinaryKind kind;
    return kind;
}

}  // namespace orvex::detail
