// The C interface (include/orvex/orvex.h): each entry converts its arguments
// and calls the C++ operation of the same name.
#include "orvex/orvex.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "orvex/orvex.hpp"

// ---- The record: struct orvex_fdesc3 is the storage of orvex::Fdesc3 --------

namespace {

using orvex::Fdesc3;
using C = struct orvex_fdesc3;

static_assert(std::is_standard_layout_v<Fdesc3> && std::is_standard_layout_v<C>);
static_assert(sizeof(C) == sizeof(Fdesc3) && alignof(C) == alignof(Fdesc3));

#define ORVEX_SAME_FIELD(f)                                                                       \
    static_assert(offsetof(C, f) == offsetof(Fdesc3, f) && sizeof(C::f) == sizeof(Fdesc3::f), \
                  "orvex_fdesc3." #f " is not where orvex::Fdesc3 keeps it")
ORVEX_SAME_FIELD(P_ALP3D);
ORVEX_SAME_FIELD(P_BET3D);
ORVEX_SAME_FIELD(P_GAM3D);
ORVEX_SAME_FIELD(XCENT3D);
ORVEX_SAME_FIELD(YCENT3D);
ORVEX_SAME_FIELD(XORIG3D);
ORVEX_SAME_FIELD(YORIG3D);
ORVEX_SAME_FIELD(XCELL3D);
ORVEX_SAME_FIELD(YCELL3D);
ORVEX_SAME_FIELD(FTYPE3D);
ORVEX_SAME_FIELD(CDATE3D);
ORVEX_SAME_FIELD(CTIME3D);
ORVEX_SAME_FIELD(WDATE3D);
ORVEX_SAME_FIELD(WTIME3D);
ORVEX_SAME_FIELD(SDATE3D);
ORVEX_SAME_FIELD(STIME3D);
ORVEX_SAME_FIELD(TSTEP3D);
ORVEX_SAME_FIELD(MXREC3D);
ORVEX_SAME_FIELD(NVARS3D);
ORVEX_SAME_FIELD(NCOLS3D);
ORVEX_SAME_FIELD(NROWS3D);
ORVEX_SAME_FIELD(NLAYS3D);
ORVEX_SAME_FIELD(NTHIK3D);
ORVEX_SAME_FIELD(GDTYP3D);
ORVEX_SAME_FIELD(VGTYP3D);
ORVEX_SAME_FIELD(VGTOP3D);
ORVEX_SAME_FIELD(VGLVS3D);
ORVEX_SAME_FIELD(VTYPE3D);
ORVEX_SAME_FIELD(GDNAM3D);
ORVEX_SAME_FIELD(UPNAM3D);
ORVEX_SAME_FIELD(EXECN3D);
ORVEX_SAME_FIELD(FDESC3D);
ORVEX_SAME_FIELD(UPDSC3D);
ORVEX_SAME_FIELD(VNAME3D);
ORVEX_SAME_FIELD(UNITS3D);
ORVEX_SAME_FIELD(VDESC3D);
#undef ORVEX_SAME_FIELD

// The text fields hold their characters only: a field of N characters takes N bytes.
static_assert(sizeof(orvex::Text<orvex::NAMLEN3>) == orvex::NAMLEN3);
static_assert(sizeof(orvex::Text<orvex::MXDLEN3>) == orvex::MXDLEN3);

// ---- The parameters: the C constants are the C++ ones ------------------------

static_assert(ORVEX_MXFILE3 == orvex::MXFILE3 && ORVEX_MXVARS3 == orvex::MXVARS3 &&
              ORVEX_MXLAYS3 == orvex::MXLAYS3 && ORVEX_MXDESC3 == orvex::MXDESC3 &&
              ORVEX_MXDLEN3 == orvex::MXDLEN3 && ORVEX_NAMLEN3 == orvex::NAMLEN3 &&
              ORVEX_MXATTS3 == orvex::MXATTS3);
static_assert(ORVEX_KFEVNT3 == orvex::KFEVNT3 && ORVEX_DGRAPH3 == orvex::DGRAPH3 &&
              ORVEX_CUSTOM3 == orvex::CUSTOM3 && ORVEX_DCTNRY3 == orvex::DCTNRY3 &&
              ORVEX_GRDDED3 == orvex::GRDDED3 && ORVEX_BNDARY3 == orvex::BNDARY3 &&
              ORVEX_IDDATA3 == orvex::IDDATA3 && ORVEX_PROFIL3 == orvex::PROFIL3 &&
              ORVEX_GRNEST3 == orvex::GRNEST3 && ORVEX_SMATRX3 == orvex::SMATRX3 &&
              ORVEX_GRDATT3 == orvex::GRDATT3 && ORVEX_PTRFLY3 == orvex::PTRFLY3);
static_assert(ORVEX_FSRDONLY3 == orvex::FSRDONLY3 && ORVEX_FSRDWR3 == orvex::FSRDWR3 &&
              ORVEX_FSNEW3 == orvex::FSNEW3 && ORVEX_FSUNKN3 == orvex::FSUNKN3 &&
              ORVEX_FSCREA3 == orvex::FSCREA3);
static_assert(ORVEX_QVINT == orvex::QVINT && ORVEX_QVREAL == orvex::QVREAL && ORVEX_QVDBLE == orvex::QVDBLE);
static_assert(ORVEX_BUFFIL3 == orvex::BUFFIL3 && ORVEX_VIRFIL3 == orvex::VIRFIL3 &&
              ORVEX_LSTFIL3 == orvex::LSTFIL3 && ORVEX_BINFIL3 == orvex::BINFIL3);
static_assert(ORVEX_IMISS3 == orvex::IMISS3 && ORVEX_AMISS3 == orvex::AMISS3 && ORVEX_DMISS3 == orvex::DMISS3 &&
              std::string_view(ORVEX_CMISS3) == orvex::CMISS3 && std::string_view(ORVEX_ALLVAR3) == orvex::ALLVAR3 &&
              ORVEX_ALLAYS3 == orvex::ALLAYS3 && ORVEX_OKFLAG3 == orvex::OKFLAG3);

// A NUL-terminated argument as text; a null pointer is the empty text.
std::string_view text(const char* s) { return s == nullptr ? std::string_view() : std::string_view(s, std::strlen(s)); }

// Copies a fixed-width text and a NUL into out (width + 1 bytes), blank-padded.
void put_text(const std::string& s, char* out, std::size_t width) {
    if (out == nullptr) return;
    const std::size_t n = std::min(width, s.size());
    std::memcpy(out, s.data(), n);
    std::memset(out + n, ' ', width - n);
    out[width] = '\0';
}

}  // namespace

extern "C" {

struct orvex_fdesc3* orvex_fdesc3(void) { return reinterpret_cast<struct orvex_fdesc3*>(&orvex::FDESC3); }

int orvex_open3(const char* fname, int fstatus, const char* pgname) {
    return orvex::OPEN3(text(fname), fstatus, text(pgname)) ? 1 : 0;
}

int orvex_desc3(const char* fname) { return orvex::DESC3(text(fname)) ? 1 : 0; }

int orvex_read3(const char* fname, const char* vname, int layer, int jdate, int jtime, void* buffer) {
    return orvex::READ3(text(fname), text(vname), layer, jdate, jtime, buffer) ? 1 : 0;
}

int orvex_write3(const char* fname, const char* vname, int jdate, int jtime, const void* buffer) {
    return orvex::WRITE3(text(fname), text(vname), jdate, jtime, buffer) ? 1 : 0;
}

int orvex_close3(const char* fname) { return orvex::CLOSE3(text(fname)) ? 1 : 0; }

int orvex_shut3(void) { return orvex::SHUT3() ? 1 : 0; }

int orvex_init3(void) { return orvex::INIT3(); }

int orvex_setenvvar(const char* lname, const char* value) {
    return orvex::SETENVVAR(text(lname), text(value)) ? 1 : 0;
}

void orvex_nextime(int* jdate, int* jtime, int tstep) {
    if (jdate != nullptr && jtime != nullptr) orvex::NEXTIME(*jdate, *jtime, tstep);
}

int orvex_secsdiff(int adate, int atime, int zdate, int ztime) { return orvex::SECSDIFF(adate, atime, zdate, ztime); }

int orvex_jstep3(int jdate, int jtime, int sdate, int stime, int tstep) {
    return orvex::JSTEP3(jdate, jtime, sdate, stime, tstep);
}

int orvex_currec(int jdate, int jtime, int sdate, int stime, int tstep, int* cdate, int* ctime) {
    int d = cdate != nullptr ? *cdate : 0, t = ctime != nullptr ? *ctime : 0;
    const int rec = orvex::CURREC(jdate, jtime, sdate, stime, tstep, d, t);
    if (cdate != nullptr) *cdate = d;
    if (ctime != nullptr) *ctime = t;
    return rec;
}

int orvex_sec2time(int secs) { return orvex::SEC2TIME(secs); }

int orvex_time2sec(int time) { return orvex::TIME2SEC(time); }

void orvex_dt2str(int jdate, int jtime, char out[25]) { put_text(orvex::DT2STR(jdate, jtime), out, 24); }

void orvex_mmddyy(int jdate, char out[15]) { put_text(orvex::MMDDYY(jdate), out, 14); }

void orvex_hhmmss(int jtime, char out[11]) { put_text(orvex::HHMMSS(jtime), out, 10); }

}  // extern "C"
