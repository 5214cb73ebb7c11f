// CRDICT3: the layout of a new dictionary file.
#include <array>
#include <string>

#include "gridfile/dictionary.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"

namespace orvex {

using namespace detail;

namespace {

// The "units" (16 characters) and "var_desc" (80 characters) of one variable;
// failing names the attribute that could not be written.
int put_var_atts(const NcFile& nc, int varid, std::string_view units, std::string_view desc, bool& units_failed) {
    units_failed = true;
    const int status = nc.put_text(varid, "units", Text<NAMLEN3>(units).view(), "");
    if (status != NC_NOERR) return status;
    units_failed = false;
    return nc.put_text(varid, "var_desc", Text<MXDLEN3>(desc).view(), "");
}

}  // namespace

bool detail::CRDICT3(int fid) {
    FileSlot& s = slot(fid);
    const NcFile nc(s.cdfid, s.flist, fid);
    // Any failure: three lines, then the dataset is discarded while still in define mode.
    DatasetGuard made(nc, s.cdfid, DatasetGuard::Undo::abandon);
    dictionary_forget(fid);

    const auto fail = [&](std::string_view message, int status) {
        QVMSG2(message);
        QVMSG2("File name " + std::string(s.flist.trimmed()));
        QVMSG2(dict_ncerr(status));
        return false;
    };

    std::array<int, DICT_NDIMS> dimid{};
    for (std::size_t d = 0; d < DICT_DIMS.size(); ++d) {
        const int status = nc.def_dim(std::string(DICT_DIMS[d].name).c_str(), DICT_DIMS[d].len, dimid[d], "");
        if (status != NC_NOERR) return fail(DICT_DIMS[d].errmsg, status);
    }

    int flagid = 0;
    int status = nc.def_var("FLAG", NC_INT, {&dimid[DIM_FINDX3], 1}, flagid, "");
    if (status != NC_NOERR) return fail("Error creating netCDF variable FLAG", status);
    bool units_failed = false;
    status = put_var_atts(nc, flagid, FLAG_UNITS, FLAG_DESC, units_failed);
    if (status != NC_NOERR)
        return fail(units_failed ? "Error creating FLAG attribute UNITS" : "Error creating FLAG attribute VAR_DESC", status);

    s.ftype = DCTNRY3;
    s.nvars = DICT_NVARS;
    s.mxrec = 0;
    s.tindx = flagid;
    s.vars.assign(DICT_NVARS, VarSlot{});
    std::string varlist;
    for (std::size_t v = 0; v < DICT_VARS.size(); ++v) {
        s.vars[v].name = DICT_VARS[v].name;
        s.vars[v].units = DICT_VARS[v].units;
        s.vars[v].vtype = DICT_VARS[v].type;
        varlist += Text<NAMLEN3>(DICT_VARS[v].name).view();
    }

    status = nc.put_int(NC_GLOBAL, "NVARS", DICT_NVARS, "");
    if (status != NC_NOERR) return fail("Error creating netCDF attribute NVARS", status);
    status = nc.put_text(NC_GLOBAL, "VAR-LIST", varlist, "");
    if (status != NC_NOERR) return fail("Error creating attribute VAR-LIST ", status);

    for (std::size_t v = 0; v < DICT_VARS.size(); ++v) {
        const DictVarDef& def = DICT_VARS[v];
        std::array<int, 3> dims{};
        for (int k = 0; k < def.rank; ++k) dims[static_cast<std::size_t>(k)] = dimid[static_cast<std::size_t>(def.dims[static_cast<std::size_t>(k)])];
        status = nc.def_var(std::string(def.name).c_str(), def.type, {dims.data(), static_cast<std::size_t>(def.rank)},
                            s.vars[v].vid, "");
        if (status != NC_NOERR) return fail("Error creating netCDF variable " + std::string(def.name), status);
    }

    for (std::size_t v = 0; v < DICT_VARS.size(); ++v) {
        const DictVarDef& def = DICT_VARS[v];
        status = put_var_atts(nc, s.vars[v].vid, def.units, def.desc, units_failed);
        if (status != NC_NOERR)
            return fail("Error creating " + std::string(def.name) + (units_failed ? " attribute UNITS" : " attribute VAR_DESC"),
                        status);
    }

    status = nc.enddef("");
    if (status != NC_NOERR) return fail("Error returning netCDF file into data mode.", status);
    made.commit();
    return true;
}

}  // namespace orvex
