// The free-format echo lines of pondra and the fixed fields they are made of.
//
// Every line begins with one blank and the items follow in order.
//   - a text item is written exactly as stored, trailing blanks included; one
//     blank separates it from a number before it, nothing from a text before it;
//   - a 32-bit integer is right-aligned in 12 columns: " max vars" and 2048 give
//     " max vars        2048", and a line holding only the integer 3 is the
//     line's blank and "           3";
//   - a 32-bit real takes 15 columns, a 64-bit real 24 (see free_real and
//     free_double for the layout).
// Lines are never wrapped, however long.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "orvex/text.hpp"

namespace pondra {

// A 32-bit integer right-aligned in 12 columns.
std::string free_int(int v);

// A 32-bit real in 15 columns with 7 significant digits. After rounding to 7
// significant digits a magnitude in [0.1, 1e7), and zero, is written in fixed
// point right-aligned in the first 11 columns followed by 4 blanks, with
// 7 - k digits after the point for a magnitude in [10^(k-1), 10^k) (zero:
// "0.000000"). Every other value is written in exponent form with 7
// significant digits, one before the point, and a signed two-digit exponent
// ("1.234568E+08"), right-aligned in the 15 columns. NaN and infinities are
// "NaN", "Infinity", "-Infinity", right-aligned.
std::string free_real(float v);

// A 64-bit real in 24 columns with 15 significant digits: fixed point in
// [0.1, 1e15) and for zero, right-aligned in 19 columns followed by 5 blanks;
// exponent form otherwise, 15 significant digits with one before the point and
// a signed three-digit exponent ("2.22044604925031E-016"), right-aligned in the
// 24 columns.
std::string free_double(double v);

// A fixed-point field of 10 columns with no digits after the point: 33 is
// "       33.". A value whose rounded text does not fit gives ten asterisks.
std::string fixed_f10_0(float v);

// One free-format line under construction.
class FreeLine {
public:
    FreeLine() = default;

    FreeLine& text(std::string_view s);
    template <std::size_t N>
    FreeLine& text(const orvex::Text<N>& t) { return text(t.view()); }
    FreeLine& integer(int v);
    FreeLine& real(float v);
    FreeLine& dble(double v);

    // The line without its end of line (empty before the first item).
    const std::string& str() const { return line_; }

private:
    FreeLine& number(const std::string& field);

    std::string line_;
    bool after_number_ = false;
};

// Writes the line and an end of line.
void write_line(std::ostream& out, const FreeLine& line);

}  // namespace pondra
