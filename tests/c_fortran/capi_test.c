/* The C interface from a C program: the record is the layer's, texts come back
 * at their widths with a NUL, logical results are exactly 1 or 0, null
 * pointers are refused rather than followed, and a file of the three data
 * types goes through orvex_write3 and orvex_read3 whole and by layer.
 *
 *   capi_test PATH     (the file to create)
 */
#include <stdio.h>
#include <string.h>

#include "orvex/orvex.h"
#include "check.h"

/* The record's C-linkage name, which the Fortran module's common block binds to. */
extern struct orvex_fdesc3 orvex_fdesc3_record;


enum { NC = 3, NR = 2, NL = 2, NV = 3, CELLS = NC * NR * NL };

static void set_text(char *field, size_t width, const char *text) {
    size_t n = strlen(text);
    memcpy(field, text, n);
    memset(field + n, ' ', width - n);
}

/* The layer's texts: the width asked for, blank-padded, then a NUL. */
static void check_texts(void) {
    char dt[26], md[16], hm[12];
    memset(dt, 'x', sizeof dt);
    memset(md, 'x', sizeof md);
    memset(hm, 'x', sizeof hm);
    orvex_dt2str(2024001, 123456, dt);
    orvex_mmddyy(2024001, md);
    orvex_hhmmss(10203, hm);
    CHECK(dt[24] == '\0' && dt[25] == 'x' && strlen(dt) == 24);
    CHECK(md[14] == '\0' && md[15] == 'x' && strlen(md) == 14);
    CHECK(hm[10] == '\0' && hm[11] == 'x' && strlen(hm) == 10);
    CHECK(strncmp(dt, "12:34:56", 8) == 0 && strstr(dt, "2024") != NULL);
    CHECK(strcmp(md, "Jan. 1, 2024  ") == 0);
    CHECK(strncmp(hm, "1:02:03   ", 10) == 0);
    orvex_mmddyy(2024999, md); /* no such day */
    CHECK(strcmp(md, "<DATE ERROR>  ") == 0);
}

static void check_time_steps(void) {
    int jdate = 2023365, jtime = 230000, cdate = -1, ctime = -1;
    orvex_nextime(&jdate, &jtime, 20000);
    CHECK(jdate == 2024001 && jtime == 10000);
    orvex_nextime(NULL, &jtime, 10000); /* refused: nothing changes */
    CHECK(jtime == 10000);
    CHECK(orvex_secsdiff(2023365, 230000, 2024001, 10000) == 7200);
    CHECK(orvex_time2sec(-13000) == -5400 && orvex_sec2time(90000) == 250000);
    CHECK(orvex_jstep3(2024001, 10000, 2023365, 210000, 20000) == 3);
    CHECK(orvex_jstep3(2024001, 0, 2023365, 210000, 20000) == -1);
    CHECK(orvex_currec(2024001, 0, 2023365, 210000, 20000, &cdate, &ctime) == 2);
    CHECK(cdate == 2023365 && ctime == 230000);
    CHECK(orvex_currec(2023365, 0, 2023365, 210000, 20000, &cdate, &ctime) == -1);
    CHECK(orvex_currec(2024001, 0, 2023365, 210000, 20000, NULL, NULL) == 2);
}

static float value(int v, int l, int r, int c) { return 1000.0f * v + 100.0f * l + 10.0f * r + c; }

static void check_file(const char *path) {
    struct orvex_fdesc3 *d = orvex_fdesc3();
    /* One block of the three variables: real, integer, then double (two words each). */
    float reals[CELLS], reals_in[CELLS], layer2[NC * NR];
    int ints[CELLS], ints_in[CELLS];
    double dbls[CELLS], dbls_in[CELLS];
    unsigned char all[CELLS * 16], all_in[CELLS * 16];
    int i, v;
    static const char *names[NV] = {"REALS", "INTS", "DBLS"};
    static const int types[NV] = {ORVEX_QVREAL, ORVEX_QVINT, ORVEX_QVDBLE};

    CHECK(orvex_setenvvar("CAPI_FILE", path) == 1);
    CHECK(orvex_setenvvar("", "x") == 0);
    memset(d, 0, sizeof *d);
    d->FTYPE3D = ORVEX_GRDDED3;
    d->SDATE3D = 2024001;
    d->TSTEP3D = 10000;
    d->NCOLS3D = NC;
    d->NROWS3D = NR;
    d->NLAYS3D = NL;
    d->NVARS3D = NV;
    d->GDTYP3D = 1;
    d->VGTYP3D = 2;
    d->VGLVS3D[0] = 1.0f;
    d->VGLVS3D[1] = 0.9f;
    d->VGLVS3D[2] = 0.8f;
    set_text(d->GDNAM3D, sizeof d->GDNAM3D, "CGRID");
    set_text(d->FDESC3D[0], sizeof d->FDESC3D[0], "written from C");
    for (v = 0; v < NV; ++v) {
        set_text(d->VNAME3D[v], sizeof d->VNAME3D[v], names[v]);
        set_text(d->UNITS3D[v], sizeof d->UNITS3D[v], "1");
        set_text(d->VDESC3D[v], sizeof d->VDESC3D[v], names[v]);
        d->VTYPE3D[v] = types[v];
    }
    for (i = 0; i < CELLS; ++i) {
        reals[i] = value(1, i / (NC * NR), i / NC % NR, i % NC);
        ints[i] = (int)value(2, i / (NC * NR), i / NC % NR, i % NC);
        dbls[i] = value(3, i / (NC * NR), i / NC % NR, i % NC) + 0.25;
    }
    memcpy(all, reals, sizeof reals);
    memcpy(all + sizeof reals, ints, sizeof ints);
    memcpy(all + sizeof reals + sizeof ints, dbls, sizeof dbls);

    CHECK(orvex_open3("CAPI_FILE", ORVEX_FSCREA3, "CAPI_TEST") == 1);
    CHECK(orvex_open3(NULL, ORVEX_FSRDONLY3, "CAPI_TEST") == 0);
    CHECK(orvex_write3("CAPI_FILE", "REALS", 2024001, 0, reals) == 1);
    CHECK(orvex_write3("CAPI_FILE", "INTS", 2024001, 0, ints) == 1);
    CHECK(orvex_write3("CAPI_FILE", "DBLS", 2024001, 0, dbls) == 1);
    CHECK(orvex_write3("CAPI_FILE", ORVEX_ALLVAR3, 2024001, 10000, all) == 1);
    CHECK(orvex_write3("CAPI_FILE", "NOSUCH", 2024001, 0, reals) == 0);
    CHECK(orvex_write3(NULL, "REALS", 2024001, 0, reals) == 0);
    CHECK(orvex_close3("CAPI_FILE") == 1);
    CHECK(orvex_close3("CAPI_FILE") == 0);

    /* The description comes back into the same record. */
    memset(d, 0, sizeof *d);
    CHECK(orvex_open3("CAPI_FILE  ", ORVEX_FSRDONLY3, "CAPI_TEST") == 1); /* trailing blanks ignored */
    CHECK(orvex_desc3("CAPI_FILE") == 1);
    CHECK(d->MXREC3D == 2 && d->NVARS3D == NV && d->NLAYS3D == NL && d->TSTEP3D == 10000);
    CHECK(memcmp(d->VNAME3D[2], "DBLS            ", 16) == 0 && d->VTYPE3D[2] == ORVEX_QVDBLE);
    CHECK(memcmp(d->FDESC3D[0], "written from C", 14) == 0 && d->FDESC3D[0][79] == ' ');
    CHECK(d->VGLVS3D[2] == 0.8f);

    CHECK(orvex_read3("CAPI_FILE", "REALS", ORVEX_ALLAYS3, 2024001, 0, reals_in) == 1);
    CHECK(orvex_read3("CAPI_FILE", "INTS", ORVEX_ALLAYS3, 2024001, 0, ints_in) == 1);
    CHECK(orvex_read3("CAPI_FILE", "DBLS", ORVEX_ALLAYS3, 2024001, 0, dbls_in) == 1);
    CHECK(memcmp(reals, reals_in, sizeof reals) == 0 && memcmp(ints, ints_in, sizeof ints) == 0 &&
          memcmp(dbls, dbls_in, sizeof dbls) == 0);
    CHECK(orvex_read3("CAPI_FILE", "REALS", 2, 2024001, 10000, layer2) == 1);
    CHECK(memcmp(layer2, reals + NC * NR, sizeof layer2) == 0);
    memset(all_in, 0, sizeof all_in);
    CHECK(orvex_read3("CAPI_FILE", ORVEX_ALLVAR3, ORVEX_ALLAYS3, 2024001, 10000, all_in) == 1);
    CHECK(memcmp(all, all_in, sizeof reals + sizeof ints + sizeof dbls) == 0);
    CHECK(orvex_read3("CAPI_FILE", "REALS", ORVEX_ALLAYS3, 2024001, 20000, reals_in) == 0); /* not written */
    CHECK(orvex_read3("CAPI_FILE", "REALS", 3, 2024001, 0, reals_in) == 0);                 /* no layer 3 */
    CHECK(orvex_read3("CAPI_FILE", NULL, ORVEX_ALLAYS3, 2024001, 0, reals_in) == 0);
    CHECK(orvex_shut3() == 1);
    CHECK(orvex_desc3("CAPI_FILE") == 0); /* closed by the shut-down */
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: capi_test PATH\n");
        return 2;
    }
    CHECK(orvex_fdesc3() == &orvex_fdesc3_record);
    CHECK(orvex_init3() > 0);
    check_texts();
    check_time_steps();
    check_file(argv[1]);
    if (check_failures == 0) puts("capi_test: all checks passed");
    return check_failures == 0 ? 0 : 1;
}
