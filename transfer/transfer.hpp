// Time flags and hyperslab movers behind READ3 and WRITE3 (internal).
//
// Hyperslabs and their mover (get_slab, put_slab) come from gridfile/hyperslab.hpp.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "gridfile/hyperslab.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"

namespace orvex::detail {

// Variable number meaning "all variables of the file".
inline constexpr int ALLVARS = -1;

// The time flags of variables first .. first + n - 1 at record slot step:
// (DATE-TIME, VAR, TSTEP) fastest first.
inline Hyperslab flag_slab(int first, int n, int step) {
    Hyperslab slab;
    slab.add(1, 2);
    slab.add(first, n);
    slab.add(step, 1);
    return slab;
}

// 4-byte words taken by one element of a variable of data type vtype in a
// caller's buffer: 2 for QVDBLE, 1 for every other type.
int words_per_element(int vtype);

// Variables of an open file that the table really holds.
inline int var_count(const FileSlot& s) {
    const int held = static_cast<int>(s.vars.size());
    return s.nvars < held ? s.nvars : held;
}

// The 16-character name of variable v, or "ALL" for a file without variables.
inline std::string var_name(const FileSlot& s, int v) {
    if (v >= 1 && v <= var_count(s)) return s.vars[static_cast<std::size_t>(v - 1)].name.str();
    return Text<NAMLEN3>(ALLVAR3).str();
}

// Variable number (1-based) of vname in the file's list, 0 when it is not there.
inline int find_variable(const FileSlot& s, std::string_view vname) {
    const int n = var_count(s);
    for (int v = 1; v <= n; ++v)
        if (same_padded(vname, s.vars[static_cast<std::size_t>(v - 1)].name.view())) return v;
    return 0;
}

// The line that shows the caller's file and variable arguments exactly as passed.
inline std::string file_variable_line(std::string_view fname, std::string_view vname) {
    return "File \"" + std::string(fname) + "\" Variable \"" + std::string(vname) + "\"";
}

// A number of a diagnostic block: right-justified in 6 columns, widened
// rather than starred when it needs more.
std::string diag_number(long long v);
// The five entries of a start or count vector as diagnostic numbers.
std::string diag_vector(const std::array<int, Hyperslab::MAXDIMS>& v);

// Record slot in the file of time-step record r: r for a positive step, 1 for
// a time-independent file, 1 or 2 (odd or even r) for a negative step.
int record_slot(int r, int tstep);
// The flag pair written and expected for jdate:jtime: the pair itself, or
// (0, 0) for a time-independent file.
FlagPair expected_flag(int jdate, int jtime, int tstep);

// Finds the record slot of jdate:jtime and checks the time flags of variable
// vid (ALLVARS: every variable). For a file-set, fid is replaced by the member
// that holds the date and time. True when the stored flags match.
bool RDTFLAG(int& fid, int vid, int jdate, int jtime, int& step, bool verbose);

// Stores one flag pair for variable vid (below 1 only for a file without
// variables, meaning variable 1) at record slot step.
bool WRTFLAG(int fid, int vid, const FlagPair& flag, int step);

// Reads variable vid, or every variable back to back (ALLVARS), each moving
// delta elements of the hyperslab, into buffer.
bool RDVARS(int fid, int vid, const Hyperslab& slab, int delta, void* buffer);

// Writes variable vid, or every variable (ALLVARS), from buffer, and after
// each variable its time flag at record slot step.
bool WRVARS(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int delta,
            const void* buffer);

}  // namespace orvex::detail
