// start(): the run's communicator and tile, the agreement of the ranks, the
// check of the tiles against a file's grid, and the log of each rank.
#include <mpi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gridfile/storage.hpp"
#include "orvex/parallel.hpp"
#include "parallel/kind.hpp"
#include "parallel/run.hpp"
#include "support/layerstate.hpp"
#include "support/logfile.hpp"

namespace orvex::parallel {

namespace detail {

namespace {

Run the_run;

std::string span_text(int first, int n) { return std::to_string(first) + ".." + std::to_string(first + n - 1); }

std::string tile_text(int rank, const Tile& t) {
    return "rank " + std::to_string(rank) + " (columns " + span_text(t.col0, t.ncols) + ", rows " +
           span_text(t.row0, t.nrows) + ")";
}

bool overlap(const Tile& a, const Tile& b) {
    return a.col0 < b.col0 + b.ncols && b.col0 < a.col0 + a.ncols && a.row0 < b.row0 + b.nrows &&
           b.row0 < a.row0 + a.nrows;
}

// The log of a rank other than 0: its own file beside rank 0's (LOGFILE + "."
// + the rank), the null device staying itself; without LOGFILE, only its
// warning blocks, on standard error. Settled before the log is first opened.
void rank_log(int rank) {
    static bool settled = false;
    if (settled || rank == 0 || orvex::detail::LAYER_STATE.logdev >= 0) return;
    settled = true;
    const char* logfile = std::getenv("LOGFILE");
    if (logfile == nullptr || *logfile == '\0') {
        orvex::detail::log_warnings_only_to_stderr();
        return;
    }
    const std::string path(logfile);
    if (path != "/dev/null") setenv("LOGFILE", (path + "." + std::to_string(rank)).c_str(), 1);
}

}  // namespace

const Run& run() { return the_run; }

void begin(MPI_Comm comm, const Tile& tile) {
    if (the_run.comm != MPI_COMM_NULL) MPI_Comm_free(&the_run.comm);
    MPI_Comm_dup(comm, &the_run.comm);
    MPI_Comm_rank(the_run.comm, &the_run.rank);
    MPI_Comm_size(the_run.comm, &the_run.size);
    the_run.tile = tile;
    rank_log(the_run.rank);
}

bool agree(bool ok) {
    int mine = ok ? 1 : 0;
    int all = 0;
    if (MPI_Allreduce(&mine, &all, 1, MPI_INT, MPI_LAND, the_run.comm) != MPI_SUCCESS) return false;
    return all != 0;
}

std::string tiles_misfit(int ncols, int nrows) {
    const Tile& mine = the_run.tile;
    const int own[4] = {mine.col0, mine.ncols, mine.row0, mine.nrows};
    std::vector<int> all(4 * static_cast<std::size_t>(the_run.size));
    if (MPI_Allgather(own, 4, MPI_INT, all.data(), 4, MPI_INT, the_run.comm) != MPI_SUCCESS)
        return "the ranks could not exchange their tiles";
    std::vector<Tile> tiles;
    for (std::size_t r = 0; r < all.size(); r += 4) tiles.push_back({all[r], all[r + 1], all[r + 2], all[r + 3]});

    long long covered = 0;
    for (std::size_t r = 0; r < tiles.size(); ++r) {
        const Tile& t = tiles[r];
        if (t.ncols == 0 || t.nrows == 0) continue;
        if (t.col0 < 1 || t.row0 < 1 || t.col0 - 1 + t.ncols > ncols || t.row0 - 1 + t.nrows > nrows)
            return "the tile of " + tile_text(static_cast<int>(r), t) + " lies outside the grid of " +
                   std::to_string(ncols) + " columns and " + std::to_string(nrows) + " rows";
        for (std::size_t q = 0; q < r; ++q)
            if (tiles[q].ncols > 0 && tiles[q].nrows > 0 && overlap(tiles[q], t))
                return "the tiles of " + tile_text(static_cast<int>(q), tiles[q]) + " and " +
                       tile_text(static_cast<int>(r), t) + " overlap";
        covered += static_cast<long long>(t.ncols) * t.nrows;
    }
    const long long cells = static_cast<long long>(ncols) * nrows;
    if (covered != cells)
        return "the tiles cover " + std::to_string(covered) + " of the grid's " + std::to_string(cells) + " cells";
    return {};
}

}  // namespace detail

bool start(MPI_Comm comm, int col0, int ncols, int row0, int nrows) {
    int initialised = 0;
    MPI_Initialized(&initialised);
    if (initialised == 0 || comm == MPI_COMM_NULL) {
        std::fputs("orvex::parallel::start: MPI is not initialised (call MPI_Init first)\n", stderr);
        return false;
    }
    if (ncols < 0 || nrows < 0) {
        std::fputs("orvex::parallel::start: a tile's size cannot be negative\n", stderr);
        return false;
    }
    detail::begin(comm, {col0, ncols, row0, nrows});
    orvex::detail::set_parallel_kind(&detail::mpi_kind());
    return true;
}

}  // namespace orvex::parallel
