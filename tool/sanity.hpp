// Warnings on standard error for runs that look wrong but are carried out:
// the run goes on, standard output and the log are untouched.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "tool/dialogue.hpp"

namespace pondra {

// The grid type and projection numbers the outputs are written with.
inline constexpr int OUTPUT_GDTYP = 2;
inline constexpr std::array<double, 4> OUTPUT_PROJ = {33.0, 45.0, -97.0, -97.0};  // P_ALP P_BET P_GAM XCENT

// Each returns its warning lines ("pondra: warning: ..."), empty when all is well.

// The dialogue: cell size in metres, projection numbers, output names cut to
// 16 characters, a two-digit year.
std::vector<std::string> dialogue_warnings(const RunState& st);

// One input file (logical name, description) against the output grid: its
// origin off the whole cells, its grid type, its cell size.
std::vector<std::string> input_warnings(const RunState& st, const std::string& lname, const orvex::Fdesc3& d);

// No input covered any output cell.
std::string uncovered_warning(const RunState& st);

// Input names after the last one counted on line 5, when standard input is a
// regular file: what remains of `in` is read (never waited for).
std::string leftover_warning(std::istream& in, int fd, int nfiles);

// The name of a horizontal grid type ("Lambert conformal conic"), or "".
std::string grid_type_name(int gdtyp);

}  // namespace pondra
