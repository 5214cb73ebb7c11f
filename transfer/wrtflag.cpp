// Storing one time-flag pair, by the file's storage kind.
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

bool WRTFLAG(int fid, int vid, const FlagPair& flag, int step) {
    FileSlot& s = slot(fid);
    const std::string fname(s.flist.trimmed());
    int v = vid;
    if (v < 1) {
        if (var_count(s) > 0) {
            QVMSG2("Invalid call to WRTFLAG() for file " + fname);
            return false;
        }
        v = 1;
    }
    const std::string first_line = "WRTFLAG:  Error writing time-flag for vble " + var_name(s, v) + "from file " + fname;

    return kind_of(fid).write_flag(fid, v, flag, step, first_line);
}

}  // namespace orvex::detail
