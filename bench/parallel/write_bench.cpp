// Writing one gridded variable from the ranks of an MPI run: each rank holds
// a band of rows; the file is either written by all ranks together (an "MPI:"
// file) or gathered to rank 0 and written there through WRITE3 (a serial
// file). Timed from OPEN3 to CLOSE3 on every rank; the file is removed after
// it is timed. Rank 0 prints one line: the way, the ranks, the bytes, the
// seconds and MB/s.
//   write_bench parallel|gather DIR [steps layers cols rows]
#include <mpi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "orvex/orvex.hpp"
#include "orvex/parallel.hpp"

using namespace orvex;

namespace {

int arg(int argc, char** argv, int i, int deflt) { return argc > i ? std::atoi(argv[i]) : deflt; }

void describe(int nlays, int ncols, int nrows) {
    FDESC3 = Fdesc3{};
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = 2024001;
    FDESC3.STIME3D = 0;
    FDESC3.TSTEP3D = 10000;
    FDESC3.NCOLS3D = ncols;
    FDESC3.NROWS3D = nrows;
    FDESC3.NLAYS3D = nlays;
    FDESC3.NTHIK3D = 1;
    FDESC3.GDTYP3D = 2;
    FDESC3.P_ALP3D = 30.0;
    FDESC3.P_BET3D = 60.0;
    FDESC3.P_GAM3D = -90.0;
    FDESC3.XCENT3D = -90.0;
    FDESC3.YCENT3D = 40.0;
    FDESC3.XORIG3D = -6000000.0;
    FDESC3.YORIG3D = -6000000.0;
    FDESC3.XCELL3D = 12000.0;
    FDESC3.YCELL3D = 12000.0;
    FDESC3.VGTYP3D = 7;
    FDESC3.VGTOP3D = 5000.0f;
    for (int k = 0; k <= nlays && k <= MXLAYS3; ++k) FDESC3.VGLVS3D[static_cast<std::size_t>(k)] = 1.0f - k / (nlays + 1.0f);
    FDESC3.GDNAM3D = "BENCH";
    FDESC3.FDESC3D[0] = "write benchmark";
    FDESC3.NVARS3D = 1;
    FDESC3.VNAME3D[0] = "TA";
    FDESC3.UNITS3D[0] = "K";
    FDESC3.VDESC3D[0] = "air temperature";
    FDESC3.VTYPE3D[0] = QVREAL;
}

}  // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    int rank = 0, size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    if (argc < 3) {
        if (rank == 0) std::fputs("usage: write_bench parallel|gather DIR [steps layers cols rows]\n", stderr);
        MPI_Finalize();
        return 2;
    }
    const std::string way = argv[1];
    const bool parallel = way == "parallel";
    const int steps = arg(argc, argv, 3, 8), nlays = arg(argc, argv, 4, 35);
    const int ncols = arg(argc, argv, 5, 1000), nrows = arg(argc, argv, 6, 1000);
    const std::string path = std::string(argv[2]) + "/orvex-write-bench-" + way + ".nc";

    // Bands of rows, as even as they come.
    const int row0 = rank * nrows / size, band = (rank + 1) * nrows / size - row0;
    const std::size_t tile = static_cast<std::size_t>(ncols) * static_cast<std::size_t>(band);
    std::vector<float> mine(tile * static_cast<std::size_t>(nlays));
    for (std::size_t i = 0; i < mine.size(); ++i) mine[i] = 250.0f + static_cast<float>((i + static_cast<std::size_t>(row0)) % 97);
    parallel::start(MPI_COMM_WORLD, 1, ncols, row0 + 1, band);

    // Rank 0's gathering: each rank's band of every layer to its place in the grid.
    std::vector<float> whole, gathered;
    std::vector<int> counts(static_cast<std::size_t>(size)), displs(static_cast<std::size_t>(size));
    if (!parallel && rank == 0) {
        whole.resize(static_cast<std::size_t>(ncols) * static_cast<std::size_t>(nrows) * static_cast<std::size_t>(nlays));
        gathered.resize(whole.size());
        for (int r = 0, at = 0; r < size; ++r) {
            const int rows = (r + 1) * nrows / size - r * nrows / size;
            counts[static_cast<std::size_t>(r)] = rows * ncols * nlays;
            displs[static_cast<std::size_t>(r)] = at;
            at += counts[static_cast<std::size_t>(r)];
        }
    }

    setenv("BENCHFILE", ((parallel ? "MPI:" : "") + path).c_str(), 1);
    describe(nlays, ncols, nrows);
    MPI_Barrier(MPI_COMM_WORLD);
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = true;
    if (parallel || rank == 0) ok = OPEN3("BENCHFILE", FSCREA3, "WRBENCH");
    int date = FDESC3.SDATE3D, time = FDESC3.STIME3D;
    for (int s = 0; s < steps; ++s, NEXTIME(date, time, 10000)) {
        if (parallel) {
            ok = WRITE3("BENCHFILE", "TA", date, time, mine.data()) && ok;
            continue;
        }
        MPI_Gatherv(mine.data(), static_cast<int>(mine.size()), MPI_FLOAT, gathered.data(), counts.data(), displs.data(),
                    MPI_FLOAT, 0, MPI_COMM_WORLD);
        if (rank != 0) continue;
        for (int r = 0; r < size; ++r) {
            const int first = r * nrows / size, rows = (r + 1) * nrows / size - first;
            const std::size_t n = static_cast<std::size_t>(rows) * static_cast<std::size_t>(ncols);
            for (int k = 0; k < nlays; ++k)
                std::copy_n(gathered.begin() + displs[static_cast<std::size_t>(r)] + static_cast<std::ptrdiff_t>(k * n), n,
                            whole.begin() + static_cast<std::ptrdiff_t>(
                                (static_cast<std::size_t>(k) * static_cast<std::size_t>(nrows) + static_cast<std::size_t>(first)) *
                                static_cast<std::size_t>(ncols)));
        }
        ok = WRITE3("BENCHFILE", "TA", date, time, whole.data()) && ok;
    }
    if (parallel || rank == 0) ok = CLOSE3("BENCHFILE") && ok;
    MPI_Barrier(MPI_COMM_WORLD);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (rank == 0) {
        const auto bytes = std::filesystem::file_size(path);
        std::printf("%-8s %d ranks  %llu bytes  %.3f s  %.0f MB/s%s\n", way.c_str(), size,
                    static_cast<unsigned long long>(bytes), seconds, static_cast<double>(bytes) / 1e6 / seconds,
                    ok ? "" : "  (a call failed)");
        std::filesystem::remove(path);
    }
    MPI_Finalize();
    return ok ? 0 : 1;
}
