// Hand-offs of READ3, WRITE3 and their movers to the storage kinds (see handoffs.hpp).
#include "transfer/handoffs.hpp"

#include <algorithm>
#include <span>

#include "gridfile/dictionary.hpp"
#include "orvex/operations.hpp"
#include "support/filelist.hpp"
#include "support/format.hpp"
#include "support/iobin3.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

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

bool binary_read_flags(int fid, int vid, int step, int* pairs) {
    const int npairs = vid > 0 ? 1 : std::max(var_count(slot(fid)), 1);
    return RDBFLAG(fid, vid, step, std::span<int>(pairs, 2 * static_cast<std::size_t>(npairs)));
}

bool binary_write_flag(int fid, int vid, const FlagPair& flag, int step) { return WRBFLAG(fid, vid, step, flag); }

bool binary_read_vars(int fid, int vid, const Hyperslab& slab, int, void* buffer) {
    return bin_read_vars(fid, vid, slab, buffer);
}

bool binary_write_vars(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int,
                       const void* buffer) {
    return bin_write_vars(fid, vid, flag, step, slab, buffer);
}

}  // namespace orvex::detail
