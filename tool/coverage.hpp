// Which input each output cell took its value from, and the report of it.
//
// Counted on the first variable position while it is matched (the matching
// notes the owner of each cell), so the report costs no second pass over the
// inputs: one pass over the owner array at the end.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tool/gridding.hpp"
#include "tool/zeroed.hpp"

namespace pondra {

class Coverage {
public:
    using Owner = GridMatch::Owner;

    // Starts counting over an output grid of ncols x nrows cells.
    void start(int ncols, int nrows);
    bool counting() const { return !owner_.empty(); }

    // Notes input file k (1-based, in dialogue order): its logical name and cell size (m).
    void add_input(std::string name, double cell);
    // The owner array for the matching of the first variable position, or
    // nullptr when not counting.
    Owner* owners() { return owner_.empty() ? nullptr : owner_.data(); }

    struct Counts {
        std::vector<std::size_t> per_input;  // cells that took their value from input k (index k - 1)
        std::size_t uncovered = 0;           // no input covered them: they hold 0.0
        std::size_t all_missing = 0;         // every covering value was missing
    };
    Counts count() const;

    // The report: a heading, one line per input, the uncovered and all-missing
    // cells; lines are separated by newlines, the last is not ended.
    std::string report() const;

private:
    struct Input {
        std::string name;
        double cell = 0;
    };
    int ncols_ = 0, nrows_ = 0;
    ZeroedArray<Owner> owner_;  // its pages come zeroed, touched first by the matching
    std::vector<Input> inputs_;
};

}  // namespace pondra
