// NAME2FID: the slot that holds a logical name.
#include <string>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

int NAME2FID(std::string_view fname) {
    if (!LAYER_STATE.finit) {
        INIT3();
        QVMSG2("ORVEX not yet initialized");
        return 0;
    }
    const std::string_view name = trim_right(fname);
    // Too long to be in the table: reported, and "not open" to every caller.
    if (name.size() > static_cast<std::size_t>(NAMLEN3)) {
        QVMSG2("Bad file name length for \"" + std::string(name) + "\":  max length " + fmt_I(NAMLEN3, 9) +
               " actual " + fmt_I(static_cast<long long>(name.size()), 9));
        return 0;
    }
    for (int f = 1; f <= STATE3.count && f <= MXFILE3; ++f)
        if (slot(f).flist == name) return f;
    return 0;
}

}  // namespace orvex
