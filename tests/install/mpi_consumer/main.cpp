// A program outside the project that links the installed parallel library:
// the ranks write one time-independent file together, each a band of rows,
// and read their bands back.
#include <mpi.h>

#include <string>
#include <vector>

#include <orvex/orvex.hpp>
#include <orvex/parallel.hpp>

int main(int argc, char** argv) {
    using namespace orvex;
    MPI_Init(&argc, &argv);
    int rank = 0, size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    constexpr int NCOLS = 3, NROWS = 4;
    const int row0 = rank * NROWS / size, rows = (rank + 1) * NROWS / size - row0;
    bool ok = argc == 2 && parallel::start(MPI_COMM_WORLD, 1, NCOLS, row0 + 1, rows) &&
              SETENVVAR("CONSUMED", "MPI:" + std::string(argv[1]));
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.NCOLS3D = NCOLS;
    FDESC3.NROWS3D = NROWS;
    FDESC3.NLAYS3D = 1;
    FDESC3.NVARS3D = 1;
    FDESC3.GDTYP3D = 1;
    FDESC3.VGTYP3D = 2;
    FDESC3.GDNAM3D = "LATLON";
    FDESC3.VNAME3D[0] = "HEIGHT";
    FDESC3.UNITS3D[0] = "m";
    FDESC3.VDESC3D[0] = "terrain height";
    FDESC3.VTYPE3D[0] = QVREAL;
    std::vector<float> written, read(static_cast<std::size_t>(NCOLS * rows));
    for (int i = 0; i < NCOLS * rows; ++i) written.push_back(static_cast<float>(row0 * NCOLS + i));
    ok = ok && OPEN3("CONSUMED", FSCREA3, "CONSUMER") && WRITE3("CONSUMED", "HEIGHT", 0, 0, written.data()) &&
         READ3("CONSUMED", "HEIGHT", ALLAYS3, 0, 0, read.data()) && SHUT3() && read == written;
    MPI_Finalize();
    return ok ? 0 : 1;
}
