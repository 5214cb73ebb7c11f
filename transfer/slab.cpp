// Numbers of the movers' diagnostic blocks, and the words of an element.
#include <array>
#include <string>

#include "orvex/parms3.hpp"
#include "support/format.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

std::string diag_number(long long v) {
    std::string text = fmt_I(v, 6);
    if (text.front() == '*') {
        text = std::to_string(v);
        text.insert(text.begin(), ' ');
    }
    return text;
}

std::string diag_vector(const std::array<int, Hyperslab::MAXDIMS>& v) {
    std::string text;
    for (const int x : v) text += diag_number(x);
    return text;
}

int words_per_element(int vtype) { return vtype == QVDBLE ? 2 : 1; }

}  // namespace orvex::detail
