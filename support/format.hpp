// Number formats of the log and message texts.
#pragma once

#include <string>

namespace orvex::detail {

// Iw: v right-justified in w columns; w asterisks when it does not fit.
std::string fmt_I(long long v, int w);
// Iw.m: at least m digits (leading zeros), right-justified in w columns; asterisks when it does not fit.
std::string fmt_Im(long long v, int w, int m);
// Exponent form of printf's "%w.dE" (two- or three-digit exponent as printf gives it).
std::string fmt_E(double v, int w, int d);

}  // namespace orvex::detail
