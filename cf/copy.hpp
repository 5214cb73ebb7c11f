// The CF copy of a file the layer reads: what orvex-cf writes.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace orvex::cf {

struct CopyOptions {
    std::string input;                 // a path, or any value a logical name may take ("BIN:path", "LIST:A,B")
    std::string output;                // path of the new file (replaced when the copy is complete)
    std::optional<double> missing;     // elements equal to this are written as the fill value too
    std::optional<int> deflate;        // netCDF-4 classic model with this deflate level (0-9)
    std::string command_line;          // for the history attribute
};

// Writes the CF copy of options.input to options.output, reading through the
// layer (OPEN3, DESC3, READ3) under the logical name CF_INPUT_NAME. Messages
// for the person go to err; the layer's own reports go to its log. 0 when the
// copy is complete, 1 when it failed (no output is left then).
int copy(const CopyOptions& options, std::ostream& err);

// The logical name the input is opened under.
inline constexpr const char* CF_INPUT_NAME = "ORVEX_CF_INPUT";

}  // namespace orvex::cf
