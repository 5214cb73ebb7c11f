// READ3: one variable or all variables, one layer or all layers, at one date and time.
#include <string>

#include "gridfile/dictionary.hpp"
#include "gridfile/filetypes.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "transfer/records.hpp"
#include "transfer/transfer.hpp"

namespace orvex {

using namespace detail;

namespace {

// "File NAME contains vbles", then the names three to a line.
void list_variables(const FileSlot& s, std::string_view fname) {
    QVMSG2("File " + std::string(trim_right(fname)) + " contains vbles");
    const int n = var_count(s);
    std::string line;
    for (int v = 1; v <= n; ++v) {
        if (!line.empty()) line += "    ";
        line += "\"" + var_name(s, v) + "\"";
        if (v % 3 == 0 || v == n) {
            QVMSG2(line);
            line.clear();
        }
    }
}

bool read3(int fid, std::string_view fname, std::string_view vname, int layer, int jdate, int jtime, void* buffer);

}  // namespace

bool READ3(std::string_view fname, std::string_view vname, int layer, int jdate, int jtime, void* buffer) {
    const int fid = NAME2FID(fname);

    bool valid = true;
    const std::size_t vlen = trim_right(vname).size();
    if (vlen > static_cast<std::size_t>(NAMLEN3)) {
        QVMSG2("Max vble name length 16; actual:" + fmt_I(static_cast<long long>(vlen), 10));
        valid = false;
    }
    if (!valid || fid < 1 || fid > MXFILE3) {
        QVMSG2(file_variable_line(fname, vname));
        QVWARN("READ3", jdate, jtime, "Invalid variable or file name arguments");
        return false;
    }

    return kind_of(fid).settle(fid, read3(fid, fname, vname, layer, jdate, jtime, buffer));
}

namespace {

// READ3 once its file is known.
bool read3(int fid, std::string_view fname, std::string_view vname, int layer, int jdate, int jtime, void* buffer) {
    const FileSlot& s = slot(fid);
    if (s.ftype == DCTNRY3) return RDDICT3(fid, vname);

    int vid = ALLVARS;
    if (!same_padded(vname, ALLVAR3)) {
        vid = find_variable(s, vname);
        if (vid == 0) {
            list_variables(s, fname);
            QVWARN("READ3", jdate, jtime,
                   "Requested variable \"" + std::string(trim_right(vname)) + "\" not available");
            return false;
        }
    }

    if (layer != ALLAYS3 && (layer < 1 || layer > s.nlays)) {
        QVMSG2("Requested layer:" + fmt_I(layer, 5));
        QVMSG2("Layers in the file:  1 ..." + fmt_I(s.nlays, 5));
        QVWARN("READ3", jdate, jtime, "LAYER not available in file " + std::string(fname));
        return false;
    }

    // A type without a record layout is refused before its time flags are
    // touched: their shape is not that of the other types. (Every type a
    // buffered file can hold has one.)
    if (record_type(s.ftype) == nullptr) {
        QVWARN("READ3", jdate, jtime,
               "File:  " + std::string(trim_right(fname)) + " of unknown type:" + fmt_I(s.ftype, 5));
        return false;
    }
    return kind_of(fid).read(fid, vid, layer, jdate, jtime, buffer);
}

}  // namespace

namespace detail {

// The records path: the time flags of the slot that answers (a file-set list
// hands over to one of its members), then the file type's record layout.
bool StorageKind::read(int fid, int vid, int layer, int jdate, int jtime, void* buffer) const {
    int rfid = fid;
    int step = 0;
    if (!RDTFLAG(rfid, vid, jdate, jtime, step, true)) return false;
    return read_record(rfid, vid, layer, step, buffer);
}

}  // namespace detail

}  // namespace orvex
