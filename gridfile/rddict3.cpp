// RDDICT3: fills FDESC3 from a dictionary entry.
#include <memory>
#include <string>

#include "gridfile/dictionary.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"

namespace orvex {

using namespace detail;

bool detail::RDDICT3(int fid, std::string_view entry) {
    FileSlot& s = slot(fid);
    if (s.ftype != DCTNRY3) return false;
    const Text<NAMLEN3> name(entry);
    const std::string fname(s.flist.trimmed());
    const std::string ename(name.trimmed());

    const std::vector<Text<NAMLEN3>>* names = nullptr;
    int status = dictionary_names(fid, names);
    if (status != NC_NOERR) {
        dict_names_failed(status, fname, ename);
        return false;
    }
    // A name not in the list addresses record 0, which no file holds.
    const int rec = INDEX1(name, static_cast<int>(names->size()), names->data());
    if (rec == 0) return false;

    int flag = 0;
    status = dict_get_flag(s, rec, flag);
    if (status == NC_EINVALCOORDS) return false;
    if (status != NC_NOERR) {
        QVMSG2(dict_ncerr(status));
        QVMSG2("Dictionary entry requested:" + ename);
        QVMSG2("Error reading netCDF file record flag in dictionary file " + fname);
        return false;
    }
    if (flag != OKFLAG3 && flag != rec) {
        QVMSG2("Dictionary entry requested:" + ename);
        QVMSG2("Record not available in dictionary file " + fname);
        return false;
    }

    // Read into a copy, so that a failed read leaves FDESC3 as it was; the
    // fields a dictionary does not store keep what they held.
    auto desc = std::make_unique<Fdesc3>(FDESC3);
    DictRecord record(false, s.cdfid, rec, *desc, name);
    for (int v = 1; v < DICT_NVARS; ++v) {  // every variable but the entry name
        const DictVarDef& def = DICT_VARS[static_cast<std::size_t>(v)];
        int varid = 0;
        status = dict_varid(s, v, varid);
        if (status == NC_NOERR) status = record.move(def, varid);
        if (status != NC_NOERR) {
            QVMSG2(dict_ncerr(status));
            QVMSG2("Dictionary file:  " + fname + "; entry requested:" + ename);
            QVMSG2(def.name == "VGLVS" ? "Error reading variable VGLVS from file " + fname
                                       : "Error reading netCDF dictionary variable " + std::string(def.readname) + ".");
            return false;
        }
    }
    FDESC3 = *desc;
    return true;
}

}  // namespace orvex
