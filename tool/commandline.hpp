// pondra's command line: --help, --version, and the refusal of anything else.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace pondra {

// The usage text of --help.
std::string help_text();
// The text of --version: pondra's release and the netCDF library's version,
// learned without starting the layer.
std::string version_text();

// Handles the arguments: nullopt when the run goes on (no argument), else the
// exit status, after the help or version text on `out` or the refusal line on
// `err`.
std::optional<int> handle_arguments(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// The line shown on standard error when the dialogue is read from a terminal.
inline constexpr const char* TERMINAL_HINT =
    "pondra: reading the run dialogue from standard input (end it with Ctrl-D; "
    "or run pondra < dialogue.txt); pondra --help describes it";

}  // namespace pondra
