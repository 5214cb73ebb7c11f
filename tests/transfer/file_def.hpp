// A file description for the READ3/WRITE3 tests and benchmark: the shape and
// variables that matter there, the rest of FDESC3 filled with sound values.
#pragma once

#include <string>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "orvex/parms3.hpp"

namespace transfer_test {

struct VarDef {
    std::string name;
    int vtype;
};

struct FileDef {
    int ftype = orvex::GRDDED3;
    int ncols = 4, nrows = 3, nlays = 2, nthik = 0;
    int sdate = 2020001, stime = 0, tstep = 10000;
    std::vector<VarDef> vars{{"O3", orvex::QVREAL}};
};

// Fills FDESC3 with a sound description of the given shape.
inline void describe(const FileDef& d) {
    using namespace orvex;
    FDESC3.FTYPE3D = d.ftype;
    FDESC3.NCOLS3D = d.ncols;
    FDESC3.NROWS3D = d.nrows;
    FDESC3.NLAYS3D = d.nlays;
    FDESC3.NTHIK3D = d.nthik;
    FDESC3.SDATE3D = d.sdate;
    FDESC3.STIME3D = d.stime;
    FDESC3.TSTEP3D = d.tstep;
    FDESC3.GDTYP3D = 2;
    FDESC3.P_ALP3D = 30.0;
    FDESC3.P_BET3D = 60.0;
    FDESC3.P_GAM3D = -90.0;
    FDESC3.XCENT3D = -90.0;
    FDESC3.YCENT3D = 40.0;
    FDESC3.XORIG3D = -100000.0;
    FDESC3.YORIG3D = -50000.0;
    FDESC3.XCELL3D = 12000.0;
    FDESC3.YCELL3D = 12000.0;
    FDESC3.VGTYP3D = 2;
    FDESC3.VGTOP3D = 10000.0f;
    for (int k = 0; k <= d.nlays && k <= MXLAYS3; ++k) FDESC3.VGLVS3D[static_cast<std::size_t>(k)] = 1.0f - 0.1f * k;
    FDESC3.GDNAM3D = "TESTGRID";
    for (auto& line : FDESC3.FDESC3D) line = "";
    FDESC3.FDESC3D[0] = "transfer test file";
    FDESC3.NVARS3D = static_cast<int>(d.vars.size());
    for (std::size_t v = 0; v < d.vars.size(); ++v) {
        FDESC3.VNAME3D[v] = d.vars[v].name;
        FDESC3.UNITS3D[v] = "units";
        FDESC3.VDESC3D[v] = "test variable " + d.vars[v].name;
        FDESC3.VTYPE3D[v] = d.vars[v].vtype;
        FDATT3.NATTS3D[v] = 0;
    }
}

}  // namespace transfer_test
