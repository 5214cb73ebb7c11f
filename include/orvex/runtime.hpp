// What a program learns about the layer without starting it: the versions,
// and a hook called when the layer ends the process.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// The release of this library ("3.1").
std::string_view version();

// The netCDF library's own version text ("4.9.0 of Feb  1 2023 ..."), trimmed.
// Asks netCDF only: the layer is not started and no log is opened.
std::string netcdf_version();

// Why the layer ends the process.
enum class ExitCause {
    Program,  // QVEXIT (also through QVERR): caller, message and status are its arguments
    LogOpen,  // the log file named by LOGFILE could not be created: path and error (an errno value)
    NoUnit,   // no I/O unit left
    Clock,    // the system clock could not be read
};

struct ExitNotice {
    ExitCause cause = ExitCause::Program;
    int status = 0;
    std::string_view caller;   // Program
    std::string_view message;  // Program
    std::string_view path;     // LogOpen
    int error = 0;             // LogOpen
};

// A function the layer calls once, just before it ends the process, after
// everything it writes to the log and standard output is written and closed.
// It must not call the layer. The hook may return (the layer then exits with
// the notice's status) or end the process itself.
using ExitHook = void (*)(const ExitNotice&);

// Sets the exit hook (nullptr: none); returns the one it replaces.
ExitHook set_exit_hook(ExitHook hook);

}  // namespace orvex
