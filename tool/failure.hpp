// The one line on standard error of a run that fails.
//
// The tool notes what it is doing before each step that can end the run; when
// the layer ends the process (QVEXIT, a log that cannot be created), its exit
// hook composes one line from that step, the layer's notice and what the
// system says about the file involved, and writes it with the lost-output
// report, if any, on the same line.
#pragma once

#include <string>
#include <string_view>

#include "orvex/runtime.hpp"

namespace pondra {

enum class Step {
    Start,         // before the inputs
    OpenInput,     // OPEN3 and DESC3 of an input file
    ReadInput,     // the checks and reads of an input file
    CreateOutput,  // OPEN3 of an output file
    WriteOutput,   // WRITE3 of an output file
    Finish,        // SHUT3
};

// Notes the step, the logical name it works on and the variable, if any.
void doing(Step step, std::string_view lname = {}, std::string_view vname = {});

// Registers the exit hook with the layer.
void watch_failures();

// The failure line (without "pondra: " and the end of line) for a notice of
// the layer met during `step` on `lname`; `details` names where the details
// are ("in the log run.log" or "on standard output").
std::string failure_text(Step step, std::string_view lname, std::string_view vname,
                         const orvex::ExitNotice& notice, std::string_view details);

}  // namespace pondra
