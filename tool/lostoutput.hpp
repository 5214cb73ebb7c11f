// Output lost on the way: the check made when a pondra run ends.
#pragma once

#include <string>

#include "support/logfile.hpp"

namespace pondra {

// The line for standard error that names the output that could not be written,
// without its end of line; empty when nothing was lost. `layer` is the layer's
// record; `stdout_lost` adds a loss of standard output that the tool found
// without a failure code (its error indicator).
std::string lost_output_line(const orvex::detail::LostOutput& layer, bool stdout_lost);

// Sends std::cout through a buffer that records a failed write or flush of
// standard output in the layer's record, and arms the check made when the run
// ends with status 0 or through QVEXIT: standard output is flushed a last
// time, and if that or any earlier write or flush of standard output or of the
// log failed, the line above goes to standard error and the process ends with
// status 2.
void watch_output();

// Disarms it, for an end that has already been reported on standard error.
void skip_output_check();

// Makes that last check now and disarms it: the line (empty when nothing was
// lost, or when the check is not armed), for a caller that reports the end of
// the run itself.
std::string final_lost_line();

}  // namespace pondra
