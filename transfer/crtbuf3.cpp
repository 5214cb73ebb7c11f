// CRTBUF3: sets up a buffered in-memory file in its table slot.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "gridfile/filetypes.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

namespace {

// Values in one layer of one variable for the types a buffered file can hold;
// false for every other type.
bool buffered_layer_size(const Fdesc3& d, long long& nvals) {
    const FileType* t = file_type(d.FTYPE3D);
    if (t == nullptr || !t->buffered) return false;
    nvals = layer_size(*t, false, d.NCOLS3D, d.NROWS3D, d.NTHIK3D);
    return true;
}

}  // namespace

bool CRTBUF3(int fid) {
    const Fdesc3& d = FDESC3;
    FileSlot& s = slot(fid);
    long long nvals = 0;
    if (!buffered_layer_size(d, nvals)) {
        QVMSG2("BUFFERED-file creation error for file " + std::string(s.flist.trimmed()));
        QVMSG2("ILLEGAL FILE TYPE." + fmt_I(d.FTYPE3D, 9));
        return false;
    }
    // The store and the table address at most MXVARS3 variables, and a layer
    // size must fit the table's integer.
    if (d.NVARS3D < 0 || d.NVARS3D > MXVARS3 || nvals < 0 || nvals > 0x7fffffffLL) {
        QVMSG2("BUFFERED-file creation error for file " + std::string(s.flist.trimmed()));
        QVMSG2("Bad dimensions or number of variables");
        return false;
    }

    s.cdfid = BUFFIL3;
    s.ftype = d.FTYPE3D;
    s.sdate = d.SDATE3D;
    s.stime = d.STIME3D;
    s.tstep = d.TSTEP3D;
    s.mxrec = 0;
    s.nvars = d.NVARS3D;
    s.nlays = d.NLAYS3D;
    s.nrows = d.NROWS3D;
    s.ncols = d.NCOLS3D;
    s.nthik = d.NTHIK3D;
    s.gdtyp = d.GDTYP3D;
    s.p_alp = d.P_ALP3D;
    s.p_bet = d.P_BET3D;
    s.p_gam = d.P_GAM3D;
    s.xcent = d.XCENT3D;
    s.ycent = d.YCENT3D;
    s.xorig = d.XORIG3D;
    s.yorig = d.YORIG3D;
    s.xcell = d.XCELL3D;
    s.ycell = d.YCELL3D;
    s.gdnam = d.GDNAM3D;
    s.vgtyp = d.VGTYP3D;
    s.vgtop = d.VGTOP3D;
    const int nlvs = std::clamp(d.NLAYS3D + 1, 0, MXLAYS3 + 1);
    std::copy_n(d.VGLVS3D.begin(), nlvs, s.vglvs.begin());
    s.tindx = IMISS3;
    s.laysz = static_cast<int>(nvals);
    s.vars.assign(static_cast<std::size_t>(d.NVARS3D), VarSlot{});
    for (int v = 0; v < d.NVARS3D; ++v) {
        VarSlot& var = s.vars[static_cast<std::size_t>(v)];
        var.vid = IMISS3;
        var.vtype = d.VTYPE3D[static_cast<std::size_t>(v)];
        var.name = d.VNAME3D[static_cast<std::size_t>(v)];
        var.units = d.UNITS3D[static_cast<std::size_t>(v)];
        var.ilast = 0;
        var.ldate = var.ltime = var.ndate = var.ntime = IMISS3;
    }

    for (const VarSlot& var : s.vars) {
        if (var.vtype == QVDBLE) {
            QVWARN("OPEN3/CRTBUF3", 0, 0,
                   "DOUBLE PRECISION BUFFERRED not supported for " + std::string(var.name.trimmed()));
            return false;
        }
    }

    // A new buffered file starts empty, whatever an earlier file at this
    // number may have left.
    BUFDEL3(fid);
    return BUFCRE3(fid, d.NVARS3D, d.NLAYS3D, static_cast<int>(nvals),
                   std::span<const int>(d.VTYPE3D.data(), static_cast<std::size_t>(d.NVARS3D)), d.TSTEP3D);
}

}  // namespace orvex::detail
