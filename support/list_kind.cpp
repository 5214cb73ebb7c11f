// The file-set list storage kind: a read-only sequence of files read as one
// (OPEN3 on a name whose value begins with "LIST:").
#include <string>

#include "gridfile/layer.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/filelist.hpp"
#include "support/format.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

namespace {

class ListKind final : public HeaderlessKind {
public:
    ListKind() : HeaderlessKind("LIST-FILE SEQUENCE opened as ") {}
    bool create(std::string_view, int fid, std::string_view) const override {
        QVMSG2("LIST-file " + lname(fid) + " cannot be created");
        return false;
    }
    bool open(std::string_view, int fid, bool, std::string_view pgname) const override {
        slot(fid).cdfid = LSTFIL3;
        return OPNLIST3(fid, pgname);
    }
    // Every member recorded for the list goes to disk.
    bool sync(int fid) const override {
        bool ok = true;
        for (const ListEntry& e : list_members(fid))
            if (e.fid >= 1 && e.fid <= MXFILE3) ok = kind_of(e.fid).flush(e.fid) && ok;
        if (!ok) QVMSG2("Error flushing list file \"" + lname(fid) + "\"");
        return ok;
    }
    // The member whose records hold jdate:jtime answers for the list.
    bool member(int& fid, int vid, int jdate, int jtime) const override {
        const int m = find_list_member(fid, jdate, jtime);
        if (m > 0) {
            fid = m;
            return true;
        }
        const FileSlot& s = slot(fid);
        QVMSG2("Requested date & time:" + fmt_I(jdate, 9) + ":" + fmt_Im(jtime, 6, 6));
        QVWARN("RDTFLAG", jdate, jtime,
               "Variable " + var_name(s, vid) + " not available in file-set " + s.flist.str());
        return false;
    }
};

}  // namespace

const StorageKind& list_kind() {
    static const ListKind kind;
    return kind;
}

}  // namespace orvex::detail
