// A C++ reader for the Python tests: prints one variable of one step of a file
// through the library, so that what Python wrote is checked by C++ code.
//
//   orvex_dump PATH VARIABLE JDATE JTIME
//
// Output: "ncols nrows nlays tstep mxrec", then every value (all layers,
// column fastest) one per line with nine significant digits.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "orvex/orvex.hpp"

int main(int argc, char** argv) {
    using namespace orvex;
    if (argc != 5) {
        std::fprintf(stderr, "usage: orvex_dump PATH VARIABLE JDATE JTIME\n");
        return 2;
    }
    if (!SETENVVAR("DUMPFILE", argv[1]) || !OPEN3("DUMPFILE", FSRDONLY3, "ORVEX_DUMP") || !DESC3("DUMPFILE"))
        return 1;
    int v = 0;
    while (v < FDESC3.NVARS3D && !(FDESC3.VNAME3D[v] == argv[2])) ++v;
    if (v == FDESC3.NVARS3D || FDESC3.FTYPE3D != GRDDED3) return 1;
    const std::size_t n = static_cast<std::size_t>(FDESC3.NCOLS3D) * FDESC3.NROWS3D * FDESC3.NLAYS3D;
    std::vector<double> d(n);
    std::vector<float> f(n);
    std::vector<int> i(n);
    const int type = FDESC3.VTYPE3D[v];
    void* buffer = type == QVDBLE ? static_cast<void*>(d.data()) : type == QVINT ? static_cast<void*>(i.data())
                                                                                 : static_cast<void*>(f.data());
    std::printf("%d %d %d %d %d\n", FDESC3.NCOLS3D, FDESC3.NROWS3D, FDESC3.NLAYS3D, FDESC3.TSTEP3D, FDESC3.MXREC3D);
    if (!READ3("DUMPFILE", argv[2], ALLAYS3, std::atoi(argv[3]), std::atoi(argv[4]), buffer)) return 1;
    for (std::size_t k = 0; k < n; ++k)
        std::printf("%.9g\n", type == QVDBLE ? d[k] : type == QVINT ? static_cast<double>(i[k]) : f[k]);
    return SHUT3() ? 0 : 1;
}
