// Warnings for runs that look wrong.
#include "tool/sanity.hpp"

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "tool/fatal.hpp"
#include "tool/gridding.hpp"

namespace pondra {

namespace {

const std::string WARN = "pondra: warning: ";

std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

constexpr std::array<std::string_view, 10> GRID_TYPES = {
    "longitude-latitude",    "Lambert conformal conic", "general Mercator",          "tangent stereographic",
    "UTM",                   "polar stereographic",     "equatorial Mercator",       "transverse Mercator",
    "Albers equal-area conic", "Lambert azimuthal equal-area"};

std::string typed(int gdtyp) {
    const std::string name = grid_type_name(gdtyp);
    return "grid type " + std::to_string(gdtyp) + (name.empty() ? "" : " (" + name + ")");
}

// The cut of an output name typed longer than 16 characters.
void name_cut(std::vector<std::string>& w, int line, const std::string& typed_name) {
    const std::string name = trimmed(typed_name);
    if (name.size() <= 16) return;
    w.push_back(WARN + "output name \"" + name + "\" on dialogue line " + std::to_string(line) +
                " is longer than 16 characters; it was cut to \"" + trimmed(name.substr(0, 16)) + "\"");
}

// An origin that is not a whole number of the input's cells from the output
// origin along one axis.
void origin_off(std::vector<std::string>& w, const std::string& lname, char axis, float out_orig, double orig3d,
                double cell3d) {
    const double q = (static_cast<double>(out_orig) - orig3d) / cell3d;
    if (!std::isfinite(q) || std::fabs(q) > 2147483647.0) return;
    const double off = std::fabs(q - std::round(q));
    if (!(off > 1.0e-3)) return;
    w.push_back(WARN + "input " + lname + ": the output origin lies " + num(q) + " of its cells from its origin in " +
                axis + ", " + num(off) + " of a cell off a whole number; positions are taken in whole cells (" +
                std::to_string(static_cast<long long>(std::trunc(q))) + "), so its values may land a cell off");
}

bool output_cell_in_metres(const RunState& st) { return static_cast<double>(st.CELL) / 1000.0 > 1000.0; }

}  // namespace

std::string grid_type_name(int gdtyp) {
    if (gdtyp < 1 || gdtyp > static_cast<int>(GRID_TYPES.size())) return "";
    return std::string(GRID_TYPES[static_cast<std::size_t>(gdtyp - 1)]);
}

std::vector<std::string> dialogue_warnings(const RunState& st) {
    std::vector<std::string> w;
    if (output_cell_in_metres(st))
        w.push_back(WARN + "the output cell size " + num(static_cast<double>(st.CELL) / 1000.0) +
                    " km on dialogue line 1 looks like metres; the dialogue takes kilometres");
    bool same = true;
    for (std::size_t k = 0; k < 4; ++k) same = same && static_cast<double>(st.PROJ[k]) == OUTPUT_PROJ[k];
    if (!same)
        w.push_back(WARN + "dialogue line 1 gives the projection " + num(st.PROJ[0]) + " " + num(st.PROJ[1]) + " " +
                    num(st.PROJ[2]) + " " + num(st.PROJ[3]) + ", but the outputs are written with " +
                    num(OUTPUT_PROJ[0]) + " " + num(OUTPUT_PROJ[1]) + " " + num(OUTPUT_PROJ[2]) + " " +
                    num(OUTPUT_PROJ[3]) + " (the dialogue's numbers are only echoed)");
    if (st.YEAR >= 0 && st.YEAR <= 99)
        w.push_back(WARN + "year " + std::to_string(st.YEAR) + " on dialogue line 2 is taken as it is (the year " +
                    std::to_string(st.YEAR) + " of the common era), not as " + std::to_string(1900 + st.YEAR) +
                    " or " + std::to_string(2000 + st.YEAR) + "; give all four digits");
    name_cut(w, 3, st.typed_outfile);
    name_cut(w, 4, st.typed_outfileqd);
    return w;
}

std::vector<std::string> input_warnings(const RunState& st, const std::string& lname, const orvex::Fdesc3& d) {
    std::vector<std::string> w;
    origin_off(w, lname, 'x', st.XORIG, d.XORIG3D, d.XCELL3D);
    origin_off(w, lname, 'y', st.YORIG, d.YORIG3D, d.YCELL3D);
    if (d.GDTYP3D != OUTPUT_GDTYP)
        w.push_back(WARN + "input " + lname + " is on " + typed(d.GDTYP3D) + ", the output on " +
                    typed(OUTPUT_GDTYP) + "; its cells are placed by their x and y numbers alone");
    // After a warning about the output cell size, one about the ratio would say it again.
    const double ratio = d.XCELL3D / static_cast<double>(st.CELL);
    if (!output_cell_in_metres(st) && std::isfinite(ratio) && (ratio >= 1000.0 || (ratio > 0.0 && ratio <= 1.0e-3)))
        w.push_back(WARN + "input " + lname + " has cells of " + num(d.XCELL3D) + " m, " + num(ratio) +
                    " times the output's " + num(st.CELL) +
                    " m: one of the two looks like metres where kilometres are meant, or the reverse");
    return w;
}

std::string uncovered_warning(const RunState& st) {
    return WARN + "no input file covers any cell of the " + std::to_string(st.NCOLS) + " x " +
           std::to_string(st.NROWS) + " output grid: every output value is 0.0";
}

std::string leftover_warning(std::istream& in, int fd, int nfiles) {
    struct stat sb {};
    if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) return "";
    in.clear();
    std::string line, first;
    int extra = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string name = trimmed(line);
        if (name.empty()) continue;
        if (++extra == 1) first = name;
    }
    if (extra == 0) return "";
    return WARN + "the dialogue has " + std::to_string(extra) + " more " + (extra == 1 ? "name" : "names") +
           " after the " + std::to_string(nfiles) + " input " + (nfiles == 1 ? "file" : "files") +
           " counted on line 5 (the first: \"" + first + "\"); " + (extra == 1 ? "it was" : "they were") +
           " not read";
}

}  // namespace pondra
