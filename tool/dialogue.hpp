// The run dialogue of pondra and the run state it fills.
//
// Standard input, line by line:
//   1  free-form: PROJ 1..4, NCOLS, NROWS, XORIG, YORIG, CELL (km)
//   2  free-form: YEAR
//   3  text, 16 characters: OUTFILE
//   4  text, 16 characters: OUTFILEQD
//   5  free-form: NFILES
//   6.. text, 180 characters: one input file entry per line (NFILES lines)
// A free-form line is cut to (or blank-padded to) 180 characters and split into
// values at runs of blanks or at a comma (blanks around the comma allowed);
// values beyond those needed are ignored. Each value is echoed on the output
// stream once read.
#pragma once

#include <array>
#include <cstddef>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "orvex/parms3.hpp"
#include "orvex/text.hpp"
#include "tool/coverage.hpp"
#include "tool/zeroed.hpp"

namespace pondra {

inline constexpr int MXFILES = 366;           // input file entries
inline constexpr int MXPOS = 10;              // variable positions (layers of TOTS)
inline constexpr std::size_t LINELEN = 180;   // characters kept of a dialogue line

// The run-level state of the tool, from program start to exit.
struct RunState {
    orvex::Text<orvex::NAMLEN3> PROGNAME;      // "QUON", blank-padded
    std::array<float, 4> PROJ{};               // echoed only
    int NCOLS = 0, NROWS = 0;                  // output grid extents
    float XORIG = 0, YORIG = 0, CELL = 0;      // metres once the dialogue is read
    int YEAR = 0;
    orvex::Text<orvex::NAMLEN3> OUTFILE;       // emissions QA file
    orvex::Text<orvex::NAMLEN3> OUTFILEQD;     // air-quality file
    int NFILES = 0;
    std::vector<orvex::Text<LINELEN>> ENAME;   // input file entries, dialogue order
    ZeroedFloats TOTS;                         // NCOLS x NROWS x MXPOS, column fastest
    std::string typed_outfile, typed_outfileqd;  // dialogue lines 3 and 4 as typed, before the cut
    Coverage coverage;                         // owners of the first variable position (when reported)
    bool covered = false;                      // some input covers some output cell

    // Values in one layer of TOTS: max(NCOLS,0) x max(NROWS,0).
    std::size_t layer_size() const;
    // Layer v (1 to MXPOS) of TOTS.
    float* layer(int v) { return TOTS.data() + static_cast<std::size_t>(v - 1) * layer_size(); }
    const float* layer(int v) const { return TOTS.data() + static_cast<std::size_t>(v - 1) * layer_size(); }
};

// A malformed or missing dialogue line. what() names the line and what was
// expected there: "dialogue line 1: 8 values found; expected 9 (...)".
class DialogueError : public std::runtime_error {
public:
    DialogueError(int line, const std::string& message);
    int line() const { return line_; }

private:
    int line_;
};

// Sets PROGNAME and writes the "max vars" line.
void start_run(RunState& st, std::ostream& out);

// Reads the dialogue from `in`, echoing each value on `out`. Throws
// DialogueError for a missing or malformed line, and for NFILES above MXFILES
// (after its echo line). XORIG, YORIG and CELL are left in metres.
void read_dialogue(std::istream& in, std::ostream& out, RunState& st);

// Allocates TOTS (max(NCOLS,0) x max(NROWS,0) x MXPOS) and sets it to 0.0.
// Throws std::bad_alloc when it cannot be had.
void allocate_tots(RunState& st);

// The values of a free-form line, in order; an empty value stands for a value
// left out between two commas or before a leading comma.
std::vector<std::string_view> split_free(std::string_view line);

}  // namespace pondra
