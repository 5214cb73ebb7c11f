// The pass over the input model files: open, describe, list, read the first
// time step of every variable, match it into TOTS, close.
#pragma once

#include <ostream>

#include "orvex/fdesc3.hpp"
#include "tool/dialogue.hpp"

namespace pondra {

// Refuses, through QVEXIT with status 2, a run that cannot give output files:
// no input file entries (NFILES <= 0), or an output cell size that is not
// positive.
void check_run(const RunState& st);

// Writes the variable listing of a description: a blank heading, the title, a
// blank line, then one line per variable with name, units and description in
// columns as wide as the longest of each (TRIMLEN, at least 1).
void list_variables(const orvex::Fdesc3& desc, std::ostream& out);

// Reads every entry of ENAME in order and matches its variables into TOTS.
// Every failure ends the run through QVEXIT with status 2. FDESC3 is left
// describing the last file.
void read_model_files(RunState& st, std::ostream& out);

}  // namespace pondra
