// The two output files and the end of the run.
#pragma once

#include <ostream>

#include "orvex/fdesc3.hpp"
#include "tool/dialogue.hpp"

namespace pondra {

// Date (YYYYDDD) of the single output time step: day 1 of YEAR, in 32-bit
// arithmetic (wrapping as a 32-bit integer for a year beyond its range).
int output_date(int YEAR);

// Turns the description left by the last input file into the output grid's:
// extents, one layer, one daily step at day 1 of YEAR, the fixed Lambert
// conformal projection, and the dialogue's origin and cell size. Every other
// field (file type, variable names and types, grid name, ...) is kept.
void describe_output(const RunState& st, orvex::Fdesc3& d);

// Creates OUTFILE and OUTFILEQD (status FSCREA3) from FDESC3, with their own
// variable labels, and writes every layer of TOTS for the first NVARS3D
// variables into both. A failure ends the run through QVEXIT with status 2.
void write_outputs(const RunState& st, std::ostream& out);

// Closes every file of the layer, so that both outputs are complete on disk,
// without writing to standard output. A failed close ends the run through
// QVEXIT with status 2.
void finish_run(const RunState& st);

}  // namespace pondra
