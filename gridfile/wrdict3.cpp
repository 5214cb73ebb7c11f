// WRDICT3: stores the current FDESC3 as a dictionary entry.
#include <algorithm>
#include <string>

#include "gridfile/dictionary.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

namespace {

// The counts that size the stored lists must fit the record; checked before
// anything is written, so that a bad description never spoils a stored entry.
bool counts_fit(const std::string& fname, const std::string& entry) {
    const auto bad = [&](std::string_view what, int value) {
        QVMSG2("Dictionary entry " + entry);
        QVMSG2(std::string(what) + fmt_I(value, 10) + " in file:  " + fname);
        return false;
    };
    if (FDESC3.NVARS3D < 0 || FDESC3.NVARS3D > MXVARS3) return bad("NVARS3D out of range 0 ... 2048:", FDESC3.NVARS3D);
    if (FDESC3.NLAYS3D < 0 || FDESC3.NLAYS3D > MXLAYS3) return bad("NLAYS3D out of range 0 ... 100:", FDESC3.NLAYS3D);
    return true;
}

}  // namespace

bool detail::WRDICT3(int fid, std::string_view entry) {
    FileSlot& s = slot(fid);
    const Text<NAMLEN3> name(entry);
    const std::string fname(s.flist.trimmed());
    const std::string ename(name.trimmed());
    if (!counts_fit(fname, ename)) return false;

    const std::vector<Text<NAMLEN3>>* names = nullptr;
    int status = dictionary_names(fid, names);
    if (status != NC_NOERR) {
        dict_names_failed(status, fname, ename);
        return false;
    }
    const int n = static_cast<int>(names->size());
    const int k = INDEX1(name, n, names->data());
    int rec = k;
    if (k > 0) {
        QVWARN(" ", 0, 0, "Dictionary entry " + ename + " being overwritten");
    } else if (n >= MXVARS3) {
        QVMSG2("File description " + ename + " not stored in dictionary file " + fname);
        QVMSG2("Maximum record number exceeded");
        return false;
    } else {
        rec = n + 1;
    }

    const auto write_failed = [&](int err, const std::string& line) {
        QVMSG2(dict_ncerr(err));
        QVMSG2("Dictionary entry " + ename);
        QVMSG2(line);
        return false;
    };
    const std::string flag_failed = "Error writing netCDF file record flag in file:  " + fname;

    // An entry being overwritten is marked invalid first: should a write fail
    // half-way, the entry reads as not available rather than as a mixture of
    // the old and the new description.
    if (k > 0 && (status = dict_put_flag(s, rec, IMISS3)) != NC_NOERR) return write_failed(status, flag_failed);

    DictRecord record(true, s.cdfid, rec, FDESC3, name);
    for (int v = 0; v < DICT_NVARS; ++v) {
        const DictVarDef& def = DICT_VARS[static_cast<std::size_t>(v)];
        int varid = 0;
        status = dict_varid(s, v, varid);
        if (status == NC_NOERR) status = record.move(def, varid);
        if (status != NC_NOERR)
            return write_failed(status, "Error writing netCDF dictionary variable " + std::string(def.name) +
                                            " in file:  " + fname);
    }
    if ((status = dict_put_flag(s, rec, OKFLAG3)) != NC_NOERR) return write_failed(status, flag_failed);

    if (k == 0) dictionary_add_name(fid, name);
    s.mxrec = std::max(s.mxrec, rec);
    return true;
}

}  // namespace orvex
