// The everyday workflow of a model program on orvex: describe a gridded file,
// create it, write 24 hourly steps of two variables, close it, reopen it
// read-only, describe it again and read step 13 back.
//
//   hourly [PATH]     (default: hourly.nc in the working directory)
//
// The file is named by the logical name HOURLY; its path is bound here with
// SETENVVAR, as a run script would do with `export HOURLY=...`.
#include <cmath>
#include <cstdio>
#include <vector>

#include "orvex/orvex.hpp"

namespace {

constexpr int kCols = 40, kRows = 30;
constexpr int kStart = 2024182;  // 30 June 2024
constexpr int kStep = 10000;     // one hour

float temperature(int step, int c, int r) { return 288.0f + 0.1f * c - 0.05f * r + 0.5f * std::sin(0.26f * step); }
float wind(int step, int c, int r) { return 3.0f + 0.02f * (c + r) + 0.1f * step; }

}  // namespace

int main(int argc, char** argv) {
    using namespace orvex;
    if (!SETENVVAR("HOURLY", argc > 1 ? argv[1] : "hourly.nc")) return 1;

    // 1. Describe the file.
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = kStart;
    FDESC3.STIME3D = 0;
    FDESC3.TSTEP3D = kStep;
    FDESC3.NCOLS3D = kCols;
    FDESC3.NROWS3D = kRows;
    FDESC3.NLAYS3D = 1;
    FDESC3.NVARS3D = 2;
    FDESC3.GDTYP3D = 2;  // Lambert conformal
    FDESC3.P_ALP3D = 33.0;
    FDESC3.P_BET3D = 45.0;
    FDESC3.P_GAM3D = -97.0;
    FDESC3.XCENT3D = -97.0;
    FDESC3.YCENT3D = 40.0;
    FDESC3.XORIG3D = -240000.0;
    FDESC3.YORIG3D = -180000.0;
    FDESC3.XCELL3D = FDESC3.YCELL3D = 12000.0;
    FDESC3.VGTYP3D = 2;
    FDESC3.VGTOP3D = 5000.0f;
    FDESC3.VGLVS3D[0] = 1.0f;
    FDESC3.VGLVS3D[1] = 0.98f;
    FDESC3.GDNAM3D = "HOURLY_12K";
    FDESC3.FDESC3D[0] = "Hourly surface fields of an example model run";
    FDESC3.VNAME3D[0] = "TEMP2";
    FDESC3.UNITS3D[0] = "K";
    FDESC3.VDESC3D[0] = "temperature at 2 m";
    FDESC3.VTYPE3D[0] = QVREAL;
    FDESC3.VNAME3D[1] = "WSPD10";
    FDESC3.UNITS3D[1] = "m/s";
    FDESC3.VDESC3D[1] = "wind speed at 10 m";
    FDESC3.VTYPE3D[1] = QVREAL;

    // 2. Create it (replacing an old one) and write 24 steps.
    if (!OPEN3("HOURLY", FSCREA3, "HOURLY")) return 1;
    std::vector<float> t(kCols * kRows), w(kCols * kRows);
    int jdate = kStart, jtime = 0;
    for (int step = 0; step < 24; ++step) {
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) {
                t[r * kCols + c] = temperature(step, c, r);
                w[r * kCols + c] = wind(step, c, r);
            }
        if (!WRITE3("HOURLY", "TEMP2", jdate, jtime, t.data()) || !WRITE3("HOURLY", "WSPD10", jdate, jtime, w.data()))
            return 1;
        NEXTIME(jdate, jtime, kStep);
    }
    if (!CLOSE3("HOURLY")) return 1;

    // 3. Reopen read-only and describe.
    if (!OPEN3("HOURLY", FSRDONLY3, "HOURLY") || !DESC3("HOURLY")) return 1;
    if (FDESC3.MXREC3D != 24 || FDESC3.NVARS3D != 2 || !(FDESC3.VNAME3D[1] == "WSPD10")) {
        std::fprintf(stderr, "hourly: unexpected description (%d records, %d variables)\n", FDESC3.MXREC3D,
                     FDESC3.NVARS3D);
        return 1;
    }

    // 4. Read step 13 (12:00) of both variables and check every value.
    jdate = kStart;
    jtime = 0;
    NEXTIME(jdate, jtime, 12 * kStep);
    if (!READ3("HOURLY", "TEMP2", ALLAYS3, jdate, jtime, t.data()) ||
        !READ3("HOURLY", "WSPD10", ALLAYS3, jdate, jtime, w.data()))
        return 1;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            if (t[r * kCols + c] != temperature(12, c, r) || w[r * kCols + c] != wind(12, c, r)) {
                std::fprintf(stderr, "hourly: wrong value at column %d row %d\n", c + 1, r + 1);
                return 1;
            }
    std::printf("hourly: 24 steps written; step 13 (%s) read back and checked\n", DT2STR(jdate, jtime).c_str());
    return SHUT3() ? 0 : 1;
}
