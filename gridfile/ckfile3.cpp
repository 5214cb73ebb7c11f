// CKFILE3: whether the table entry of a file just opened is sound.
#include <netcdf.h>

#include <algorithm>
#include <array>
#include <string>

#include "gridfile/descrules.hpp"
#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

namespace {

DescFacts facts_of_slot(int fid) {
    const FileSlot& s = slot(fid);
    DescFacts f;
    f.ftype = s.ftype;
    f.nvars = std::min(s.nvars, static_cast<int>(s.vars.size()));
    f.ncols = s.ncols;
    f.nrows = s.nrows;
    f.nlays = s.nlays;
    f.nthik = s.nthik;
    f.gdtyp = s.gdtyp;
    f.p_alp = s.p_alp;
    f.p_bet = s.p_bet;
    f.p_gam = s.p_gam;
    f.xcent = s.xcent;
    f.ycent = s.ycent;
    f.xorig = s.xorig;
    f.yorig = s.yorig;
    f.name = [fid](int v) { return slot(fid).vars[static_cast<std::size_t>(v)].name.view(); };
    f.vtype = [fid](int v) { return slot(fid).vars[static_cast<std::size_t>(v)].vtype; };
    return f;
}

void read_failure(int status, std::string_view what, int fid) {
    QVMSG2("netCDF error" + fmt_I(status, 9));
    QVWARN("CKFILE3", 0, 0, "reading " + std::string(what) + " for file \"" + lname(fid) + "\"");
}

}  // namespace

bool CKFILE3(int fid) {
    if (!header_checks("CKFILE3", LAYER_STATE.checks_ckfile3)) return true;
    const DescFacts facts = facts_of_slot(fid);
    DescRules rules(facts, lname(fid), true, [](const std::string& msg) {
        QVWARN("CKFILE3", 0, 0, msg);
        return false;
    });
    rules.duplicates("VLIST3D");
    switch (rules.type_rules()) {
        case TypeVerdict::ILLEGAL:
            QVWARN("CKFILE3", 0, 0, rules.with_value("Illegal file type:", facts.ftype));
            return false;
        case TypeVerdict::NO_CHECKS: return !rules.failed();
        case TypeVerdict::CHECK: break;
    }
    if (facts.nvars == 0) QVMSG2(rules.with_value("WARNING:  number of variables:", facts.nvars));
    if (!rules.variables() || !rules.horizontal()) return false;

    // The vertical grid as the dataset holds it.
    const FileSlot& s = slot(fid);
    int vgtyp = s.vgtyp;
    std::array<float, MXLAYS3 + 1> surfaces = s.vglvs;
    std::size_t count = static_cast<std::size_t>(std::clamp(s.nlays, 0, MXLAYS3) + 1);
    if (s.nlays > 1 && kind_of(fid).is_netcdf()) {
        const NcFile nc(s.cdfid, s.flist, fid);
        int status = nc.get_int(NC_GLOBAL, "VGTYP", vgtyp, "");
        if (status != NC_NOERR) {
            vgtyp = s.vgtyp;
            read_failure(status, "VGTYP", fid);
        }
        status = nc.get_floats(NC_GLOBAL, "VGLVLS", surfaces, count, "");
        if (status != NC_NOERR) {
            read_failure(status, "VGLVLS", fid);
            return false;
        }
    }
    return rules.vertical(vgtyp, {surfaces.data(), count});
}

}  // namespace orvex
