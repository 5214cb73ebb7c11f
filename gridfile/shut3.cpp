// SHUT3: closes every open file and returns the layer to the uninitialised state.
#include <algorithm>

#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"

namespace orvex {

using namespace detail;

bool SHUT3() {
    if (!LAYER_STATE.finit) return true;
    bool ok = true;
    const int count = std::min(STATE3.count, MXFILE3);
    for (int f = 1; f <= count; ++f) {
        if (slot(f).is_free()) continue;
        ok = kind_of(f).shut(f) && ok;
    }
    for (int f = 1; f <= count; ++f) {
        FileSlot& s = slot(f);
        s.nlist = 0;
        s.ilist = IMISS3;
        free_slot(f);
    }
    STATE3.count = IMISS3;
    STATE3.nlist_used = 0;
    LAYER_STATE.finit = false;
    return ok;
}

}  // namespace orvex
