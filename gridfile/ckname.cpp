// CKNAME: whether a variable name is legal.
#include <string_view>

#include "orvex/operations.hpp"

namespace orvex {

bool CKNAME(std::string_view name) {
    constexpr std::string_view FIRST = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz$_#@-";
    constexpr std::string_view DIGITS = "0123456789";
    const std::string_view n = trim_right(name);
    if (n.empty() || FIRST.find(n.front()) == std::string_view::npos) return false;
    for (const char c : n.substr(1))
        if (FIRST.find(c) == std::string_view::npos && DIGITS.find(c) == std::string_view::npos) return false;
    return true;
}

}  // namespace orvex
