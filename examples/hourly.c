/* The everyday workflow of a model program on orvex, from C: describe a
 * gridded file, create it, write 24 hourly steps of two variables, close it,
 * reopen it read-only, describe it again and read step 13 back.
 *
 *   hourly_c [PATH]     (default: hourly.nc in the working directory)
 *
 * The file is named by the logical name HOURLY; its path is bound here with
 * orvex_setenvvar, as a run script would do with `export HOURLY=...`.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "orvex/orvex.h"

enum { COLS = 40, ROWS = 30 };
#define START 2024182 /* 30 June 2024 */
#define STEP 10000    /* one hour */

static float temperature(int step, int c, int r) { return 288.0f + 0.1f * c - 0.05f * r + 0.5f * sinf(0.26f * step); }
static float wind(int step, int c, int r) { return 3.0f + 0.02f * (c + r) + 0.1f * step; }

/* Sets a blank-padded text field of the record. */
static void set_text(char *field, size_t width, const char *text) {
    size_t n = strlen(text);
    if (n > width) n = width;
    memcpy(field, text, n);
    memset(field + n, ' ', width - n);
}

int main(int argc, char **argv) {
    static float t[ROWS][COLS], w[ROWS][COLS];
    struct orvex_fdesc3 *d = orvex_fdesc3();
    int jdate, jtime, step, r, c;
    char when[25];
    if (!orvex_setenvvar("HOURLY", argc > 1 ? argv[1] : "hourly.nc")) return 1;

    /* 1. Describe the file. */
    d->FTYPE3D = ORVEX_GRDDED3;
    d->SDATE3D = START;
    d->STIME3D = 0;
    d->TSTEP3D = STEP;
    d->NCOLS3D = COLS;
    d->NROWS3D = ROWS;
    d->NLAYS3D = 1;
    d->NVARS3D = 2;
    d->GDTYP3D = 2; /* Lambert conformal */
    d->P_ALP3D = 33.0;
    d->P_BET3D = 45.0;
    d->P_GAM3D = -97.0;
    d->XCENT3D = -97.0;
    d->YCENT3D = 40.0;
    d->XORIG3D = -240000.0;
    d->YORIG3D = -180000.0;
    d->XCELL3D = d->YCELL3D = 12000.0;
    d->VGTYP3D = 2;
    d->VGTOP3D = 5000.0f;
    d->VGLVS3D[0] = 1.0f;
    d->VGLVS3D[1] = 0.98f;
    set_text(d->GDNAM3D, sizeof d->GDNAM3D, "HOURLY_12K");
    set_text(d->FDESC3D[0], sizeof d->FDESC3D[0], "Hourly surface fields of an example model run");
    set_text(d->VNAME3D[0], sizeof d->VNAME3D[0], "TEMP2");
    set_text(d->UNITS3D[0], sizeof d->UNITS3D[0], "K");
    set_text(d->VDESC3D[0], sizeof d->VDESC3D[0], "temperature at 2 m");
    d->VTYPE3D[0] = ORVEX_QVREAL;
    set_text(d->VNAME3D[1], sizeof d->VNAME3D[1], "WSPD10");
    set_text(d->UNITS3D[1], sizeof d->UNITS3D[1], "m/s");
    set_text(d->VDESC3D[1], sizeof d->VDESC3D[1], "wind speed at 10 m");
    d->VTYPE3D[1] = ORVEX_QVREAL;

    /* 2. Create it (replacing an old one) and write 24 steps. */
    if (!orvex_open3("HOURLY", ORVEX_FSCREA3, "HOURLY")) return 1;
    jdate = START;
    jtime = 0;
    for (step = 0; step < 24; ++step) {
        for (r = 0; r < ROWS; ++r)
            for (c = 0; c < COLS; ++c) {
                t[r][c] = temperature(step, c, r);
                w[r][c] = wind(step, c, r);
            }
        if (!orvex_write3("HOURLY", "TEMP2", jdate, jtime, t) || !orvex_write3("HOURLY", "WSPD10", jdate, jtime, w))
            return 1;
        orvex_nextime(&jdate, &jtime, STEP);
    }
    if (!orvex_close3("HOURLY")) return 1;

    /* 3. Reopen read-only and describe. */
    if (!orvex_open3("HOURLY", ORVEX_FSRDONLY3, "HOURLY") || !orvex_desc3("HOURLY")) return 1;
    if (d->MXREC3D != 24 || d->NVARS3D != 2 || memcmp(d->VNAME3D[1], "WSPD10          ", 16) != 0) {
        fprintf(stderr, "hourly_c: unexpected description (%d records, %d variables)\n", d->MXREC3D, d->NVARS3D);
        return 1;
    }

    /* 4. Read step 13 (12:00) of both variables and check every value. */
    jdate = START;
    jtime = 0;
    orvex_nextime(&jdate, &jtime, 12 * STEP);
    if (!orvex_read3("HOURLY", "TEMP2", ORVEX_ALLAYS3, jdate, jtime, t) ||
        !orvex_read3("HOURLY", "WSPD10", ORVEX_ALLAYS3, jdate, jtime, w))
        return 1;
    for (r = 0; r < ROWS; ++r)
        for (c = 0; c < COLS; ++c)
            if (t[r][c] != temperature(12, c, r) || w[r][c] != wind(12, c, r)) {
                fprintf(stderr, "hourly_c: wrong value at column %d row %d\n", c + 1, r + 1);
                return 1;
            }
    orvex_dt2str(jdate, jtime, when);
    printf("hourly_c: 24 steps written; step 13 (%s) read back and checked\n", when);
    return orvex_shut3() ? 0 : 1;
}
