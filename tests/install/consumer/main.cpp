// A program outside the project that links the installed library: writes a
// time-independent file of one variable and reads it back.
#include <cstdio>

#include <orvex/orvex.hpp>

int main(int argc, char** argv) {
    using namespace orvex;
    if (argc != 2 || !SETENVVAR("CONSUMED", argv[1])) return 1;
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = 0;
    FDESC3.STIME3D = 0;
    FDESC3.TSTEP3D = 0;
    FDESC3.NCOLS3D = 3;
    FDESC3.NROWS3D = 2;
    FDESC3.NLAYS3D = 1;
    FDESC3.NVARS3D = 1;
    FDESC3.GDTYP3D = 1;
    FDESC3.VGTYP3D = 2;
    FDESC3.GDNAM3D = "LATLON";
    FDESC3.VNAME3D[0] = "HEIGHT";
    FDESC3.UNITS3D[0] = "m";
    FDESC3.VDESC3D[0] = "terrain height";
    FDESC3.VTYPE3D[0] = QVREAL;
    const float written[6] = {1, 2, 3, 4, 5, 6};
    float read[6] = {};
    if (!OPEN3("CONSUMED", FSCREA3, "CONSUMER") || !WRITE3("CONSUMED", "HEIGHT", 0, 0, written) ||
        !READ3("CONSUMED", "HEIGHT", ALLAYS3, 0, 0, read) || !SHUT3())
        return 1;
    for (int i = 0; i < 6; ++i)
        if (read[i] != written[i]) return 1;
    std::puts("consumer: OK");
    return 0;
}
