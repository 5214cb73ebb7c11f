// orvex-cf: writes a CF-1.8 copy of a file the layer reads.
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cf/copy.hpp"
#include "orvex/operations.hpp"

namespace {

constexpr const char* USAGE =
    "usage: orvex-cf [--missing VALUE] [--deflate N] INPUT OUTPUT\n"
    "  Writes a CF-1.8 copy of INPUT (a path, \"BIN:path\" or \"LIST:A,B\" of logical names)\n"
    "  to OUTPUT: time, layer, y and x axes, the grid mapping crs, lon and lat of the cells.\n"
    "  --missing VALUE  write elements equal to VALUE as the fill value too (e.g. --missing -9)\n"
    "  --deflate N      write a netCDF-4 classic-model file, deflate level N (0-9)\n"
    "  The layer's log goes where LOGFILE says (standard output when unset).\n";

int usage(const std::string& problem) {
    if (!problem.empty()) std::cerr << "orvex-cf: " << problem << "\n";
    std::cerr << USAGE;
    return 2;
}

bool parse_double(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

int main(int argc, char** argv) {
    orvex::cf::CopyOptions o;
    o.command_line = "orvex-cf";
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        o.command_line += " " + arg;
        if (arg == "-h" || arg == "--help") {
            std::cerr << USAGE;
            return 0;
        }
        if (arg == "--missing" || arg == "--deflate") {
            if (i + 1 >= argc) return usage(arg + " needs a value");
            const std::string value = argv[++i];
            o.command_line += " " + value;
            double v = 0;
            if (!parse_double(value, v)) return usage(arg + ": not a number: " + value);
            if (arg == "--missing") {
                o.missing = v;
            } else {
                if (v != std::floor(v) || v < 0 || v > 9) return usage("--deflate: a level 0 to 9, not " + value);
                o.deflate = static_cast<int>(v);
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return usage("unknown option " + arg);
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) return usage("INPUT and OUTPUT are needed");
    o.input = paths[0];
    o.output = paths[1];
    const int status = orvex::cf::copy(o, std::cerr);
    orvex::SHUT3();
    return status;
}
