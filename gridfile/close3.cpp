// CLOSE3 and SYNCFID: closing one file by logical name, forcing one file to disk.
#include <string>

#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/filelist.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

bool CLOSE3(std::string_view fname) {
    const int fid = NAME2FID(fname);
    if (fid == 0) {
        QVMSG2("File \"" + std::string(fname) + "\" not currently open");
        return false;
    }
    // A list reads through its members' slots: a member stays open while its
    // list does, so that its slot is never taken by another file.
    if (const int list = list_holding(fid); list != 0) {
        QVWARN("CLOSE3", 0, 0,
               "File \"" + std::string(fname) + "\" is a member of the open file list \"" +
                   std::string(slot(list).flist.trimmed()) + "\"; it stays open until the list is closed");
        return false;
    }
    if (!kind_of(fid).close(fid, fname)) return false;
    free_slot(fid);
    QVMSG2("Closing file " + std::string(fname));
    return true;
}

bool SYNCFID(int fid) {
    if (fid < 1 || fid > MXFILE3 || slot(fid).is_free()) {
        QVMSG2("SYNCFID:  file index not open:" + fmt_I(fid, 9));
        return false;
    }
    return kind_of(fid).sync(fid);
}

}  // namespace orvex
