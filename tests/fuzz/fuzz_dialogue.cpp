// Fuzz target: the run dialogue of pondra read from arbitrary standard input.
//
// Every input must end either in a DialogueError or in a run state that keeps
// the dialogue's promises: one entry per input file, each cut or padded to its
// field, output names of 16 characters, one echo line per value read, and a
// result array of the grid's size set to 0.0.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>

#include "tests/fuzz/fuzz_support.hpp"
#include "tool/dialogue.hpp"

using orvex_fuzz::require;

namespace {

// Result arrays up to this many values are allocated and checked.
constexpr std::size_t MAX_TOTS = std::size_t{1} << 20;

std::size_t count_lines(const std::string& s) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvex_fuzz::quiet_layer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    pondra::RunState st;
    pondra::start_run(st, out);
    try {
        pondra::read_dialogue(in, out, st);
    } catch (const pondra::DialogueError& e) {
        require(e.line() >= 1 && e.line() <= 5 + std::max(st.NFILES, 0), "dialogue error names no dialogue line");
        return 0;
    }

    require(st.PROGNAME == "QUON", "program name changed");
    require(st.NFILES <= pondra::MXFILES, "more input entries than the dialogue keeps");
    require(st.ENAME.size() == static_cast<std::size_t>(std::max(st.NFILES, 0)), "entry count differs from NFILES");
    require(st.OUTFILE.view().size() == orvex::NAMLEN3 && st.OUTFILEQD.view().size() == orvex::NAMLEN3,
            "output name field of the wrong width");
    // "max vars", projection, cells, origin, year, two outputs, NFILES, entries.
    const std::string echo = out.str();
    require(count_lines(echo) == 8 + st.ENAME.size(), "echo line count differs from the values read");
    require(echo.rfind(" max vars        2048\nProjection:", 0) == 0, "echo does not start with max vars");

    if (st.layer_size() <= MAX_TOTS / pondra::MXPOS) {
        pondra::allocate_tots(st);
        require(st.TOTS.size() == st.layer_size() * pondra::MXPOS, "result array of the wrong size");
        require(std::all_of(st.TOTS.begin(), st.TOTS.end(), [](float x) { return x == 0.0f; }),
                "result array not cleared");
    }
    return 0;
}
