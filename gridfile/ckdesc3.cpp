// CKDESC3: whether the caller's FDESC3 may describe a new file.
#include <string>

#include "gridfile/descrules.hpp"
#include "gridfile/layer.hpp"
#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "support/layerstate.hpp"

namespace orvex {

using namespace detail;

namespace {

DescFacts facts_of_fdesc3() {
    const Fdesc3& d = FDESC3;
    DescFacts f;
    f.ftype = d.FTYPE3D;
    f.nvars = d.NVARS3D;
    f.ncols = d.NCOLS3D;
    f.nrows = d.NROWS3D;
    f.nlays = d.NLAYS3D;
    f.nthik = d.NTHIK3D;
    f.gdtyp = d.GDTYP3D;
    f.p_alp = d.P_ALP3D;
    f.p_bet = d.P_BET3D;
    f.p_gam = d.P_GAM3D;
    f.xcent = d.XCENT3D;
    f.ycent = d.YCENT3D;
    f.xorig = d.XORIG3D;
    f.yorig = d.YORIG3D;
    f.name = [](int v) { return FDESC3.VNAME3D[static_cast<std::size_t>(v)].view(); };
    f.vtype = [](int v) { return FDESC3.VTYPE3D[static_cast<std::size_t>(v)]; };
    f.units = [](int v) { return FDESC3.UNITS3D[static_cast<std::size_t>(v)].view(); };
    return f;
}

}  // namespace

bool CKDESC3(std::string_view fname) {
    const DescFacts facts = facts_of_fdesc3();
    DescRules rules(facts, trim_right(fname), false, [](const std::string& msg) {
        QVMSG2(msg);
        return true;
    });
    if (facts.nvars < 0) QVMSG2(rules.with_value("Illegal negative number of variables:", facts.nvars));
    rules.duplicates("VNAME3D");
    if (!header_checks("CKDESC3", LAYER_STATE.checks_ckdesc3)) return true;

    switch (rules.type_rules()) {
        case TypeVerdict::ILLEGAL:
            QVWARN("CKDESC3", 0, 0, rules.with_value("Illegal file type:", facts.ftype));
            return false;
        case TypeVerdict::NO_CHECKS: return true;
        case TypeVerdict::CHECK: break;
    }
    if (facts.nvars == 0) QVMSG2(rules.with_value("WARNING:  number of variables:", facts.nvars));
    rules.variables();
    rules.horizontal();
    rules.vertical(FDESC3.VGTYP3D, FDESC3.VGLVS3D);
    if (rules.failed()) {
        QVWARN("CKDESC", 0, 0, "Bad file description found");
        return false;
    }
    return true;
}

}  // namespace orvex
