// OPNFIL3: opens an existing file into a table slot and reads its header back.
//
// The header is untrusted input: every attribute is read with its type and
// length asked first, counts that would size the table past its limits are
// refused before anything depends on them, and at most MXLAYS3+1 layer
// surfaces are kept.
#include <netcdf.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "gridfile/dictionary.hpp"
#include "gridfile/hdrcheck.hpp"
#include "gridfile/layer.hpp"
#include "gridfile/filetypes.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

namespace {

class Opener {
public:
    Opener(int fid, int ncid)
        : fid_(fid), s_(slot(fid)), nc_(ncid, s_.flist, fid), opened_(nc_, s_.cdfid, DatasetGuard::Undo::close) {}

    bool run(bool writable, std::string_view pgname);

private:
    bool get_int(const char* name, int& value, const std::string& msg) {
        return nc_.get_int(NC_GLOBAL, name, value, msg) == NC_NOERR;
    }
    bool get_attr(const char* name, int& value) { return get_int(name, value, "Error reading file attribute " + std::string(name)); }
    bool get_attr(const char* name, double& value) {
        return nc_.get_double(NC_GLOBAL, name, value, "Error reading file attribute " + std::string(name)) == NC_NOERR;
    }
    // A count that must not be negative.
    bool count_ok(const char* name, int value) {
        if (value >= 0) return true;
        QVABORT(s_.flist, fid_, NC_EINVAL, "Illegal negative value of attribute " + std::string(name));
        return false;
    }
    bool counts();
    bool description();
    bool record_axis();
    bool type_layout();
    bool variables();
    bool update_history(std::string_view pgname);

    int fid_;
    FileSlot& s_;
    NcFile nc_;
    // Closes the dataset of a failed open: no handle outlives the slot.
    DatasetGuard opened_;
};

// File type and number of variables, refused before anything depends on them.
bool Opener::counts() {
    if (!get_int("FTYPE", s_.ftype, "Error reading netCDF file attribute FTYPE.")) return false;
    if (!get_int("NVARS", s_.nvars, "Error reading netCDF file attribute NVARS")) return false;
    if (s_.nvars > MXVARS3) {
        QVABORT(s_.flist, fid_, NC_EMAXVARS, "Max value of attribute NVARS exceeded for this build");
        return false;
    }
    if (!count_ok("NVARS", s_.nvars)) return false;
    s_.vars.assign(static_cast<std::size_t>(s_.nvars), VarSlot{});
    return true;
}

// The description attributes of every type but the dictionary.
bool Opener::description() {
    // Event files are stepped by their records; their step is read when present.
    if (s_.ftype == KFEVNT3) {
        if (nc_.get_int(NC_GLOBAL, "TSTEP", s_.tstep, "") != NC_NOERR) s_.tstep = 0;
    } else if (!get_attr("TSTEP", s_.tstep)) {
        return false;
    }
    if (!get_attr("SDATE", s_.sdate) || !get_attr("STIME", s_.stime) || !get_attr("NTHIK", s_.nthik) ||
        !get_attr("NCOLS", s_.ncols) || !get_attr("NROWS", s_.nrows) || !get_attr("NLAYS", s_.nlays) ||
        !get_attr("GDTYP", s_.gdtyp) || !get_attr("P_ALP", s_.p_alp) || !get_attr("P_BET", s_.p_bet) ||
        !get_attr("P_GAM", s_.p_gam) || !get_attr("XCENT", s_.xcent) || !get_attr("YCENT", s_.ycent) ||
        !get_attr("XORIG", s_.xorig) || !get_attr("YORIG", s_.yorig) || !get_attr("XCELL", s_.xcell) ||
        !get_attr("YCELL", s_.ycell))
        return false;
    if (!count_ok("NCOLS", s_.ncols) || !count_ok("NROWS", s_.nrows) || !count_ok("NLAYS", s_.nlays)) return false;
    if (get_int("VGTYP", s_.vgtyp, "Error reading file attribute VGTYP.") &&
        nc_.get_float(NC_GLOBAL, "VGTOP", s_.vgtop, "Error reading file attribute VGTOP.") == NC_NOERR) {
        std::size_t n = 0;
        if (nc_.get_floats(NC_GLOBAL, "VGLVLS", s_.vglvs, n, "Error reading file attribute VGLVS.") == NC_NOERR)
            return nc_.get_text(NC_GLOBAL, "GDNAM", {s_.gdnam.data(), s_.gdnam.size()},
                                "Error reading file attribute GDNAM") == NC_NOERR;
    }
    return false;
}

// The time-flag variable and the record count from the record dimension.
bool Opener::record_axis() {
    int dimid = 0;
    std::size_t len = 0;
    if (nc_.inq_dimid("TSTEP", dimid, "Error reading time-dimension ID") != NC_NOERR ||
        nc_.inq_dimlen(dimid, len, "Error reading maximum timestep number") != NC_NOERR)
        return false;
    s_.mxrec = static_cast<int>(std::min<std::size_t>(len, INT_MAX));
    return true;
}

// Layer size and auxiliary variables of the type.
bool Opener::type_layout() {
    const FileType* t = laid_out_type(s_.ftype);
    if (t == nullptr) {
        QVMSG2("File opening error:  ILLEGAL FILE TYPE for file " + lname(fid_));
        QVMSG2("Unknown file type" + fmt_I(s_.ftype, 9));
        return false;
    }
    const long long laysz = layer_size(*t, true, s_.ncols, s_.nrows, s_.nthik);
    // A boundary thicker than its grid gives a negative ring; it addresses nothing.
    if (laysz < 0 || laysz > INT_MAX) {
        QVABORT(s_.flist, fid_, NC_EINVAL, "Illegal layer size for file header dimensions");
        return false;
    }
    s_.laysz = static_cast<int>(laysz);
    for (std::size_t i = 0; i < t->aux.size(); ++i)
        if (nc_.inq_varid(std::string(t->aux[i].name).c_str(), s_.nindx[i], open_message(t->aux[i])) != NC_NOERR)
            return false;
    return true;
}

// Names from "VAR-LIST"; id, type and units of each variable.
bool Opener::variables() {
    if (s_.nvars < 1) return true;
    std::vector<char> list(static_cast<std::size_t>(s_.nvars) * NAMLEN3, ' ');
    if (nc_.get_text(NC_GLOBAL, "VAR-LIST", list, "Error reading attribute VAR-LIST") != NC_NOERR) return false;
    for (std::size_t v = 0; v < s_.vars.size(); ++v) {
        VarSlot& var = s_.vars[v];
        var.name = std::string_view(list.data() + v * NAMLEN3, NAMLEN3);
        const std::string name(var.name.trimmed());
        nc_type type = NC_NAT;
        if (nc_.inq_varid(name.c_str(), var.vid, "Error reading IDs for  variable " + name) != NC_NOERR ||
            nc_.inq_vartype(var.vid, type, "Error reading type for  variable " + name) != NC_NOERR ||
            nc_.get_text(var.vid, "units", {var.units.data(), var.units.size()},
                         "Error reading units for  variable " + name) != NC_NOERR)
            return false;
        var.vtype = type;
    }
    return true;
}

// A writable open records the program and the run's scenario. A failure is
// reported; the open stands, but the dataset is put back into data mode.
bool Opener::update_history(std::string_view pgname) {
    if (nc_.redef("Error opening history for update") != NC_NOERR) return false;
    const bool written =
        nc_.put_text(NC_GLOBAL, "UPNAM", Text<NAMLEN3>(pgname).view(), "Error writing file attribute UPNAM") ==
            NC_NOERR &&
        nc_.put_text(NC_GLOBAL, "HISTORY", {LAYER_STATE.scenario.data(), LAYER_STATE.scenario.size()},
                     "Error writing file attribute HISTORY") == NC_NOERR;
    return nc_.enddef("Error flushing HISTORY to disk") == NC_NOERR && written;
}

bool Opener::run(bool writable, std::string_view pgname) {
    if (!counts()) return false;
    if (s_.ftype == DCTNRY3) {
        // A dictionary keeps no time axis; its records are its entries.
        s_.tstep = s_.sdate = s_.stime = 0;
        s_.ncols = s_.nrows = s_.nlays = s_.nthik = 0;
        if (nc_.inq_varid("FLAG", s_.tindx, "Error reading file attribute FLAG") != NC_NOERR ||
            !dictionary_opened(fid_))
            return false;
    } else {
        if (!description()) return false;
        if (nc_.inq_varid("TFLAG", s_.tindx, "Error reading file attribute TFLAG") != NC_NOERR ||
            !record_axis() || !type_layout())
            return false;
    }
    if (!variables()) return false;
    // A failed history update is reported, and the open stands.
    if (writable && !update_history(pgname)) {
        opened_.commit();
        return true;
    }
    if (s_.volat && nc_.sync("Error with disk synchronization") != NC_NOERR) return false;
    if (!CKFILE3(fid_)) {
        opened_.undo("Error NCCLOS-ing file");
        return false;
    }
    opened_.commit();
    return true;
}

}  // namespace

bool detail::OPNFIL3(std::string_view path, int fid, int writable, std::string_view pgname) {
    return kind_of(fid).open(path, fid, writable == 1, pgname);
}

namespace detail {

bool open_netcdf(std::string_view path, int fid, bool writable, std::string_view pgname) {
    FileSlot& s = slot(fid);
    const std::string p(trim_right(path));
    const int mode = writable ? (NC_WRITE | NC_SHARE) : (s.volat ? NC_SHARE : NC_NOWRITE);
    // A classic header that claims more than its file holds never reaches the
    // netCDF library; it is refused as a file the library does not recognise.
    const std::string lie = classic_header_lie(p);
    if (!lie.empty()) QVMSG2("Refused netCDF header of " + p + ": " + lie);
    int ncid = -1;
    const int status = lie.empty() ? open_dataset(p, mode, ncid) : NC_ENOTNC;
    if (status != NC_NOERR) {
        QVABORT(s.flist, fid, status, "Error opening file at path-name:");
        QVMSG2(p);
        return false;
    }
    s.cdfid = ncid;
    return read_header(fid, writable, pgname);
}

bool read_header(int fid, bool writable, std::string_view pgname) {
    return Opener(fid, slot(fid).cdfid).run(writable, pgname);
}

}  // namespace detail
}  // namespace orvex
