// The buffered storage kind: an in-memory file that keeps the last two steps
// of each variable (OPEN3 on a name whose value is "BUFFERED").
#include <string>

#include "gridfile/layer.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

namespace {

class BufferedKind final : public HeaderlessKind {
public:
    BufferedKind() : HeaderlessKind("BUFFERED \"file\" opened as ") {}
    bool create(std::string_view, int fid, std::string_view) const override { return CRTBUF3(fid); }
    bool open(std::string_view, int fid, bool, std::string_view) const override {
        QVMSG2("Error opening \"BUFFERED\" file " + lname(fid));
        QVMSG2("File has not yet been created.");
        return false;
    }
    // No header: the layer's identifier and clock, no program name, blank texts.
    bool describe(int) const override {
        FDESC3.EXECN3D = LAYER_STATE.execid;
        FDESC3.CDATE3D = FDESC3.WDATE3D = LAYER_STATE.curdate;
        FDESC3.CTIME3D = FDESC3.WTIME3D = LAYER_STATE.curtime;
        FDESC3.UPNAM3D = CMISS3;
        for (auto& line : FDESC3.FDESC3D) line = "";
        for (auto& line : FDESC3.UPDSC3D) line = "";
        return true;
    }
    bool read(int fid, int vid, int layer, int jdate, int jtime, void* buffer) const override {
        return RDBUF3(fid, vid, layer, jdate, jtime, buffer);
    }
    bool write(int fid, int vid, int jdate, int jtime, int step, const void* buffer) const override {
        return WRBUF3(fid, vid, jdate, jtime, step, buffer);
    }
};

}  // namespace

const StorageKind& buffered_kind() {
    static const BufferedKind kind;
    return kind;
}

}  // namespace orvex::detail
