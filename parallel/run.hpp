// The parallel run as the parallel kind sees it: the communicator of start(),
// this rank's tile, and the agreement of the ranks on an outcome.
#pragma once

#include <mpi.h>

#include <string>

#include "gridfile/ncwrap.hpp"

namespace orvex::parallel::detail {

struct Tile {
    int col0 = 1, ncols = 0, row0 = 1, nrows = 0;
};

struct Run {
    MPI_Comm comm = MPI_COMM_NULL;  // a duplicate of start()'s: the layer's messages stay apart
    int rank = 0;
    int size = 1;
    Tile tile;
};

const Run& run();
// start()'s work once its arguments are checked.
void begin(MPI_Comm comm, const Tile& tile);

// True on every rank when ok is true on every rank of the run.
bool agree(bool ok);

// Whether the tiles of all ranks cover an ncols x nrows grid without overlap;
// the reason when they do not (the same text on every rank), empty when they do.
std::string tiles_misfit(int ncols, int nrows);

// The library calls of a PnetCDF dataset, with netCDF's signatures.
const orvex::detail::NcCalls& pnetcdf_calls();

}  // namespace orvex::parallel::detail
