// The file description record and its extra-attribute companion.
#pragma once

#include <array>

#include "orvex/parms3.hpp"
#include "orvex/text.hpp"

namespace orvex {

// Description of one file. OPEN3 reads it when it creates a file; DESC3 fills
// it from an open file. Per-variable arrays count from 0: VNAME3D[v - 1] is
// variable v.
struct Fdesc3 {
    double P_ALP3D = 0, P_BET3D = 0, P_GAM3D = 0;  // map-projection parameters
    double XCENT3D = 0, YCENT3D = 0;                // origin of the projected coordinates
    double XORIG3D = 0, YORIG3D = 0;                // lower-left corner of the grid
    double XCELL3D = 0, YCELL3D = 0;                // cell sizes
    int FTYPE3D = 0;                                // file type
    int CDATE3D = 0, CTIME3D = 0;                   // creation date and time
    int WDATE3D = 0, WTIME3D = 0;                   // last header update
    int SDATE3D = 0, STIME3D = 0;                   // first time step
    int TSTEP3D = 0;                                // time step (HHMMSS); 0 time-independent
    int MXREC3D = 0;                                // records now in the file
    int NVARS3D = 0, NCOLS3D = 0, NROWS3D = 0, NLAYS3D = 0, NTHIK3D = 0;
    int GDTYP3D = 0;                                // horizontal grid type
    int VGTYP3D = 0;                                // vertical coordinate type
    float VGTOP3D = 0;                              // model top
    std::array<float, MXLAYS3 + 1> VGLVS3D{};       // layer surfaces
    std::array<int, MXVARS3> VTYPE3D{};             // data type of each variable

    Text<NAMLEN3> GDNAM3D;                          // grid name
    Text<NAMLEN3> UPNAM3D;                          // program that last wrote the header
    Text<MXDLEN3> EXECN3D;                          // execution identifier of the creating run
    std::array<Text<MXDLEN3>, MXDESC3> FDESC3D;     // file description
    std::array<Text<MXDLEN3>, MXDESC3> UPDSC3D;     // update (history) description
    std::array<Text<NAMLEN3>, MXVARS3> VNAME3D;     // variable names
    std::array<Text<NAMLEN3>, MXVARS3> UNITS3D;     // variable units
    std::array<Text<MXDLEN3>, MXVARS3> VDESC3D;     // variable descriptions
};

// Extra numeric attributes of GRDATT3 files: ATTVAL3D[v - 1][a - 1] is
// attribute a of variable v.
struct Fdatt3 {
    std::array<int, MXVARS3> NATTS3D{};
    std::array<std::array<float, MXATTS3>, MXVARS3> ATTVAL3D{};
    std::array<std::array<Text<NAMLEN3>, MXATTS3>, MXVARS3> ATTNAM3D;
};

// The process-wide records shared by the caller and the layer.
extern Fdesc3 FDESC3;
extern Fdatt3 FDATT3;

}  // namespace orvex
