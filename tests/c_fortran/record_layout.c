/* What the C side knows of the description record and the parameters, for
 * the Fortran test to compare its own view against. */
#include <stddef.h>

#include "orvex/orvex.h"

#define FIELD(f) offsetof(struct orvex_fdesc3, f)

/* Byte offsets of the record's fields in member order, then its size. */
static const size_t offsets[] = {
    FIELD(P_ALP3D), FIELD(P_BET3D), FIELD(P_GAM3D), FIELD(XCENT3D), FIELD(YCENT3D), FIELD(XORIG3D),
    FIELD(YORIG3D), FIELD(XCELL3D), FIELD(YCELL3D), FIELD(FTYPE3D), FIELD(CDATE3D), FIELD(CTIME3D),
    FIELD(WDATE3D), FIELD(WTIME3D), FIELD(SDATE3D), FIELD(STIME3D), FIELD(TSTEP3D), FIELD(MXREC3D),
    FIELD(NVARS3D), FIELD(NCOLS3D), FIELD(NROWS3D), FIELD(NLAYS3D), FIELD(NTHIK3D), FIELD(GDTYP3D),
    FIELD(VGTYP3D), FIELD(VGTOP3D), FIELD(VGLVS3D), FIELD(VTYPE3D), FIELD(GDNAM3D), FIELD(UPNAM3D),
    FIELD(EXECN3D), FIELD(FDESC3D), FIELD(UPDSC3D), FIELD(VNAME3D), FIELD(UNITS3D), FIELD(VDESC3D),
    sizeof(struct orvex_fdesc3)};

long record_offset(int i) {
    return i >= 1 && i <= (int)(sizeof offsets / sizeof offsets[0]) ? (long)offsets[i - 1] : -1L;
}

/* The integer parameters in the order the Fortran test lists them. */
static const int parameters[] = {
    ORVEX_MXFILE3, ORVEX_MXVARS3, ORVEX_MXLAYS3, ORVEX_MXDESC3, ORVEX_MXDLEN3,  ORVEX_NAMLEN3, ORVEX_MXATTS3,
    ORVEX_KFEVNT3, ORVEX_DGRAPH3, ORVEX_CUSTOM3, ORVEX_DCTNRY3, ORVEX_GRDDED3,  ORVEX_BNDARY3, ORVEX_IDDATA3,
    ORVEX_PROFIL3, ORVEX_GRNEST3, ORVEX_SMATRX3, ORVEX_GRDATT3, ORVEX_PTRFLY3,  ORVEX_FSRDONLY3, ORVEX_FSRDWR3,
    ORVEX_FSNEW3,  ORVEX_FSUNKN3, ORVEX_FSCREA3, ORVEX_QVINT,   ORVEX_QVREAL,   ORVEX_QVDBLE,  ORVEX_BUFFIL3,
    ORVEX_VIRFIL3, ORVEX_LSTFIL3, ORVEX_BINFIL3, ORVEX_IMISS3,  ORVEX_ALLAYS3,  ORVEX_OKFLAG3};

int parameter_count(void) { return (int)(sizeof parameters / sizeof parameters[0]); }
int parameter_value(int i) { return parameters[i - 1]; }
float amiss3(void) { return ORVEX_AMISS3; }
double dmiss3(void) { return ORVEX_DMISS3; }
