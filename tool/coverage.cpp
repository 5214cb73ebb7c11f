// The coverage report.
#include "tool/coverage.hpp"

#include <algorithm>
#include <cstdio>

namespace pondra {

namespace {

std::string format(const char* fmt, auto... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

double percent(std::size_t part, std::size_t whole) {
    return whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

}  // namespace

void Coverage::start(int ncols, int nrows) {
    ncols_ = std::max(ncols, 0);
    nrows_ = std::max(nrows, 0);
    owner_.assign_zeros(static_cast<std::size_t>(ncols_) * static_cast<std::size_t>(nrows_));
    inputs_.clear();
}

void Coverage::add_input(std::string name, double cell) { inputs_.push_back({std::move(name), cell}); }

Coverage::Counts Coverage::count() const {
    Counts c;
    c.per_input.assign(inputs_.size(), 0);
    for (const Owner k : owner_) {
        if (k == 0)
            ++c.uncovered;
        else if (k == GridMatch::MISSING_OWNER)
            ++c.all_missing;
        else if (k <= c.per_input.size())
            ++c.per_input[k - 1u];
    }
    return c;
}

std::string Coverage::report() const {
    const Counts c = count();
    const std::size_t cells = owner_.size();
    std::size_t width = 19;  // the longest label below
    for (const Input& in : inputs_) width = std::max(width, in.name.size());
    const int w = static_cast<int>(width);

    std::string r = format("pondra: coverage of the %d x %d output grid (%zu cells), first variable position:\n",
                           ncols_, nrows_, cells);
    r += format("  %4s  %-*s  %12s  %10s  %7s\n", "file", w, "name", "cell (km)", "cells", "share");
    for (std::size_t k = 0; k < inputs_.size(); ++k)
        r += format("  %4zu  %-*s  %12.3f  %10zu  %6.1f%%\n", k + 1, w, inputs_[k].name.c_str(),
                    inputs_[k].cell / 1000.0, c.per_input[k], percent(c.per_input[k], cells));
    r += format("  %4s  %-*s  %12s  %10zu  %6.1f%%\n", "", w, "not covered (0.0)", "", c.uncovered,
                percent(c.uncovered, cells));
    r += format("  %4s  %-*s  %12s  %10zu  %6.1f%%\n", "", w, "every value missing", "", c.all_missing,
                percent(c.all_missing, cells));
    r.pop_back();  // the caller ends the last line
    return r;
}

}  // namespace pondra
