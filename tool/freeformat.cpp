// The free-format echo lines of pondra.
#include "tool/freeformat.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pondra {

namespace {

std::string right_aligned(std::string_view s, std::size_t width) {
    std::string out;
    if (s.size() < width) out.assign(width - s.size(), ' ');
    out += s;
    return out;
}

// Text of a NaN or an infinity, or empty for a finite value.
std::string_view special_text(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
    return {};
}

// Fixed point with the given number of digits after the point; the point is
// always written.
std::string fixed_text(double v, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%#.*f", decimals, v);
    return buf;
}

// Exponent form: one digit before the point, `decimals` after it, and a signed
// exponent of exactly `expdigits` digits.
std::string exponent_text(double v, int decimals, int expdigits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", decimals, v);
    std::string s(buf);
    const std::size_t e = s.find('E');
    std::string digits = s.substr(e + 2);
    while (static_cast<int>(digits.size()) < expdigits) digits.insert(0, 1, '0');
    return s.substr(0, e + 2) + digits;
}

// The real field shared by both widths: `width` columns, `sig` significant
// digits, an exponent of `expdigits` digits; the fixed form leaves
// expdigits + 2 blanks at the end of the field.
std::string real_field(double v, int width, int sig, int expdigits) {
    const auto w = static_cast<std::size_t>(width);
    if (auto s = special_text(v); !s.empty()) return right_aligned(s, w);
    const auto trail = static_cast<std::size_t>(expdigits + 2);
    if (v == 0) return right_aligned(fixed_text(v, sig - 1), w - trail) + std::string(trail, ' ');

    // The decimal exponent of the value rounded to `sig` significant digits
    // decides between the two forms.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", sig - 1, v);
    const char* e = std::strchr(buf, 'e');
    const int e10 = std::atoi(e + 1);
    if (e10 >= -1 && e10 < sig)
        return right_aligned(fixed_text(v, sig - 1 - e10), w - trail) + std::string(trail, ' ');
    return right_aligned(exponent_text(v, sig - 1, expdigits), w);
}

}  // namespace

std::string free_int(int v) { return right_aligned(std::to_string(v), 12); }

std::string free_real(float v) { return real_field(v, 15, 7, 2); }

std::string free_double(double v) { return real_field(v, 24, 15, 3); }

std::string fixed_f10_0(float v) {
    if (auto s = special_text(v); !s.empty()) return right_aligned(s, 10);
    const std::string s = fixed_text(v, 0);
    if (s.size() > 10) return std::string(10, '*');
    return right_aligned(s, 10);
}

FreeLine& FreeLine::text(std::string_view s) {
    if (line_.empty() || after_number_) line_ += ' ';
    line_ += s;
    after_number_ = false;
    return *this;
}

// A number follows the line's first blank, or the item before it, directly:
// its field is right-aligned, so its own leading blanks separate it.
FreeLine& FreeLine::number(const std::string& field) {
    if (line_.empty()) line_ += ' ';
    line_ += field;
    after_number_ = true;
    return *this;
}

FreeLine& FreeLine::integer(int v) { return number(free_int(v)); }

FreeLine& FreeLine::real(float v) { return number(free_real(v)); }

FreeLine& FreeLine::dble(double v) { return number(free_double(v)); }

void write_line(std::ostream& out, const FreeLine& line) { out << line.str() << '\n'; }

}  // namespace pondra
