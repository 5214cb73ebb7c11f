// The fatal end of a pondra run.
#include "tool/fatal.hpp"

#include <algorithm>

#include "orvex/operations.hpp"
#include "orvex/text.hpp"

namespace pondra {

std::string quoted_trimmed(std::string_view name) {
    const auto n = std::min(static_cast<std::size_t>(orvex::TRIMLEN(name)), name.size());
    std::string q;
    q.reserve(n + 2);
    q += '"';
    q.append(name.substr(0, n));
    q += '"';
    return q;
}

std::string trimmed(std::string_view text) {
    const std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return "";
    return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

void fatal(std::string_view caller, int jdate, int jtime, std::string_view message) {
    const orvex::Text<MESGLEN> MESG(message);
    orvex::QVEXIT(caller, jdate, jtime, MESG.view(), 2);
}

}  // namespace pondra
