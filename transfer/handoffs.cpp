// Storage kinds not yet available in this build: each hand-off says so in the
// log and fails, leaving the caller's own failure report to follow.
#include "transfer/handoffs.hpp"

#include "gridfile/dictionary.hpp"
#include "orvex/operations.hpp"
#include "support/filelist.hpp"
#include "support/format.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

namespace {

bool not_available(std::string_view kind) {
    QVMSG2(std::string(kind) + " are not available in this build");
    return false;
}

}  // namespace

bool buffered_read(int fid, int vid, int layer, int jdate, int jtime, void* buffer) {
    return RDBUF3(fid, vid, layer, jdate, jtime, buffer);
}

bool buffered_write(int fid, int vid, int jdate, int jtime, int step, const void* buffer) {
    return WRBUF3(fid, vid, jdate, jtime, step, buffer);
}

bool dictionary_read(int fid, std::string_view entry) { return RDDICT3(fid, entry); }

bool dictionary_write(int fid, std::string_view entry) { return WRDICT3(fid, entry); }

bool list_member(int& fid, int vid, int jdate, int jtime) {
    const int member = find_list_member(fid, jdate, jtime);
    if (member > 0) {
        fid = member;
        return true;
    }
    const FileSlot& s = slot(fid);
    QVMSG2("Requested date & time:" + fmt_I(jdate, 9) + ":" + fmt_Im(jtime, 6, 6));
    QVWARN("RDTFLAG", jdate, jtime, "Variable " + var_name(s, vid) + " not available in file-set " + s.flist.str());
    return false;
}

bool binary_read_flags(int, int, int, int*) { return not_available("Native binary files"); }

bool binary_write_flag(int, int, const FlagPair&, int) { return not_available("Native binary files"); }

bool binary_read_vars(int, int, const Hyperslab&, int, void*) { return not_available("Native binary files"); }

bool binary_write_vars(int, int, const FlagPair&, int, const Hyperslab&, int, const void*) {
    return not_available("Native binary files");
}

}  // namespace orvex::detail
