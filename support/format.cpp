#include "support/format.hpp"

#include <cstdio>
#include <cstdlib>

namespace orvex::detail {

std::string fmt_Im(long long v, int w, int m) {
    std::string digits = std::to_string(v < 0 ? -v : v);
    if (static_cast<int>(digits.size()) < m) digits.insert(0, static_cast<std::size_t>(m) - digits.size(), '0');
    if (v < 0) digits.insert(0, 1, '-');
    if (static_cast<int>(digits.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - digits.size(), ' ') + digits;
}

std::string fmt_I(long long v, int w) { return fmt_Im(v, w, 1); }

std::string fmt_E(double v, int w, int d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*.*E", w, d, v);
    return buf;
}

}  // namespace orvex::detail
