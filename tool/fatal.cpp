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

void fatal(std::string_view caller, int jdate, int jtime, std::string_view message) {
    const orvex::Text<MESGLEN> MESG(message);
    orvex::QVEXIT(caller, jdate, jtime, MESG.view(), 2);
}

}  // namespace pondra
