/* A C program outside the project that links the installed library: writes a
 * time-independent file of one variable through the C interface and reads it
 * back. */
#include <stdio.h>
#include <string.h>

#include <orvex/orvex.h>

static void set_text(char *field, size_t width, const char *text) {
    size_t n = strlen(text);
    memcpy(field, text, n);
    memset(field + n, ' ', width - n);
}

int main(int argc, char **argv) {
    struct orvex_fdesc3 *d = orvex_fdesc3();
    const float written[6] = {1, 2, 3, 4, 5, 6};
    float read[6] = {0};
    int i;
    if (argc != 2 || !orvex_setenvvar("CONSUMED", argv[1])) return 1;
    d->FTYPE3D = ORVEX_GRDDED3;
    d->NCOLS3D = 3;
    d->NROWS3D = 2;
    d->NLAYS3D = 1;
    d->NVARS3D = 1;
    d->GDTYP3D = 1;
    d->VGTYP3D = 2;
    set_text(d->GDNAM3D, sizeof d->GDNAM3D, "LATLON");
    set_text(d->VNAME3D[0], sizeof d->VNAME3D[0], "HEIGHT");
    set_text(d->UNITS3D[0], sizeof d->UNITS3D[0], "m");
    set_text(d->VDESC3D[0], sizeof d->VDESC3D[0], "terrain height");
    d->VTYPE3D[0] = ORVEX_QVREAL;
    if (!orvex_open3("CONSUMED", ORVEX_FSCREA3, "C_CONSUMER") || !orvex_write3("CONSUMED", "HEIGHT", 0, 0, written) ||
        !orvex_read3("CONSUMED", "HEIGHT", ORVEX_ALLAYS3, 0, 0, read) || !orvex_shut3())
        return 1;
    for (i = 0; i < 6; ++i)
        if (read[i] != written[i]) return 1;
    puts("c_consumer: OK");
    return 0;
}
