// Parallel files: a model decomposed over the ranks of an MPI communicator
// writes and reads one file together (library orvex_mpi).
//
// Every rank calls start() once, after MPI_Init, to declare its tile of the
// global grid. A logical name whose value is "MPI:path" then names a file that
// all the ranks open, describe, read, write and close together, with the same
// arguments; the buffer of READ3 and WRITE3 holds the rank's tile (tile
// columns x tile rows x layers per variable, in the usual order). FDESC3
// describes the whole grid. Every call returns the outcome the ranks agree on.
#pragma once

#include <mpi.h>

namespace orvex::parallel {

// Declares this rank's tile: its first column and row (1-based) and its size
// in columns and rows. The tiles of all the ranks of comm may be uneven and
// must cover the grid without overlap; that is checked at every open of an
// "MPI:" file, against that file's grid. Calling it again declares new tiles
// (collective on comm as the first call). False, with a message on standard
// error, when MPI is not initialised or a count is negative.
bool start(MPI_Comm comm, int col0, int ncols, int row0, int nrows);

}  // namespace orvex::parallel
