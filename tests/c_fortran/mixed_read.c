/* The mixed-language run, second part: a C program reads back the file the
 * Fortran program wrote, checks its description and every value, and keeps
 * every value it read (step by step, variable by variable) in a dump that the
 * C++ checks compare with their own reading.
 *
 *   mixed_read DUMP     (the file is the logical name MIXED_FILE)
 */
#include <stdio.h>
#include <string.h>

#include "orvex/orvex.h"
#include "check.h"

enum { NC = 5, NR = 4, NL = 3, NSTEPS = 6, CELLS = NC * NR * NL };


/* Whether a blank-padded field holds text. */
static int field_is(const char *field, size_t width, const char *text) {
    size_t n = strlen(text), i;
    if (n > width || memcmp(field, text, n) != 0) return 0;
    for (i = n; i < width; ++i)
        if (field[i] != ' ') return 0;
    return 1;
}
#define FIELD_IS(f, text) field_is(f, sizeof(f), text)

/* Value of variable var (1 TEMP, 2 COUNT, 3 PRES) at step n, column c, row r, layer l. */
static double expected(int var, int n, int c, int r, int l) {
    return (var == 3 ? 30000.125 : 10000.0 * var) + 1000 * n + 100 * l + 10 * r + c;
}

int main(int argc, char **argv) {
    const struct orvex_fdesc3 *d = orvex_fdesc3();
    float temp[CELLS];
    int counts[CELLS];
    double pres[CELLS];
    int jdate, jtime, n, i;
    FILE *dump;
    if (argc != 2 || (dump = fopen(argv[1], "wb")) == NULL) {
        fprintf(stderr, "usage: mixed_read DUMP\n");
        return 2;
    }
    if (!orvex_open3("MIXED_FILE", ORVEX_FSRDONLY3, "MIXED_READ") || !orvex_desc3("MIXED_FILE")) return 1;
    CHECK(d->FTYPE3D == ORVEX_GRDDED3 && d->SDATE3D == 2023365 && d->STIME3D == 200000 && d->TSTEP3D == 20000);
    CHECK(d->MXREC3D == NSTEPS && d->NVARS3D == 3 && d->NCOLS3D == NC && d->NROWS3D == NR && d->NLAYS3D == NL);
    CHECK(d->NTHIK3D == 1 && d->GDTYP3D == 2 && d->VGTYP3D == 2 && d->VGTOP3D == 10000.0f);
    CHECK(d->P_ALP3D == 30.5 && d->P_BET3D == 60.25 && d->P_GAM3D == -90.75 && d->XCENT3D == -91.5 &&
          d->YCENT3D == 41.25);
    CHECK(d->XORIG3D == -120000.0 && d->YORIG3D == -96000.0 && d->XCELL3D == 24000.0 && d->YCELL3D == 24000.0);
    CHECK(d->VGLVS3D[0] == 1.0f && d->VGLVS3D[1] == 0.95f && d->VGLVS3D[2] == 0.9f && d->VGLVS3D[3] == 0.8f);
    CHECK(FIELD_IS(d->GDNAM3D, "MIXED_24K") && FIELD_IS(d->UPNAM3D, "MIXED_WRITE"));
    CHECK(FIELD_IS(d->FDESC3D[0], "Written from Fortran") && FIELD_IS(d->FDESC3D[1], "read from C and C++"));
    CHECK(FIELD_IS(d->VNAME3D[0], "TEMP") && FIELD_IS(d->VNAME3D[1], "COUNT") && FIELD_IS(d->VNAME3D[2], "PRES"));
    CHECK(FIELD_IS(d->UNITS3D[0], "K") && FIELD_IS(d->UNITS3D[1], "1") && FIELD_IS(d->UNITS3D[2], "Pa"));
    CHECK(FIELD_IS(d->VDESC3D[0], "air temperature") && FIELD_IS(d->VDESC3D[2], "pressure"));
    CHECK(d->VTYPE3D[0] == ORVEX_QVREAL && d->VTYPE3D[1] == ORVEX_QVINT && d->VTYPE3D[2] == ORVEX_QVDBLE);

    jdate = d->SDATE3D;
    jtime = d->STIME3D;
    for (n = 1; n <= NSTEPS; ++n) {
        CHECK(orvex_read3("MIXED_FILE", "TEMP", ORVEX_ALLAYS3, jdate, jtime, temp) == 1);
        CHECK(orvex_read3("MIXED_FILE", "COUNT", ORVEX_ALLAYS3, jdate, jtime, counts) == 1);
        CHECK(orvex_read3("MIXED_FILE", "PRES", ORVEX_ALLAYS3, jdate, jtime, pres) == 1);
        for (i = 0; i < CELLS; ++i) {
            const int c = i % NC + 1, r = i / NC % NR + 1, l = i / (NC * NR) + 1;
            if (temp[i] != (float)expected(1, n, c, r, l) || counts[i] != (int)expected(2, n, c, r, l) ||
                pres[i] != expected(3, n, c, r, l)) {
                fprintf(stderr, "mixed_read: step %d, cell %d: %g %d %.3f\n", n, i, temp[i], counts[i], pres[i]);
                ++check_failures;
            }
        }
        if (fwrite(temp, sizeof temp, 1, dump) != 1 || fwrite(counts, sizeof counts, 1, dump) != 1 ||
            fwrite(pres, sizeof pres, 1, dump) != 1)
            ++check_failures;
        orvex_nextime(&jdate, &jtime, d->TSTEP3D);
    }
    CHECK(orvex_read3("MIXED_FILE", "TEMP", ORVEX_ALLAYS3, jdate, jtime, temp) == 0); /* beyond the last step */
    if (fclose(dump) != 0) ++check_failures;
    CHECK(orvex_shut3() == 1);
    if (check_failures == 0) puts("mixed_read: description and every value as written");
    return check_failures == 0 ? 0 : 1;
}
