// Hyperslab writes of one variable or of all variables, each followed by its
// time flag, by the file's storage kind.
#include "gridfile/storage.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

bool WRVARS(int fid, int vid, const FlagPair& flag, int step, const Hyperslab& slab, int delta,
            const void* buffer) {
    return kind_of(fid).write_vars(fid, vid, flag, step, slab, delta, buffer);
}

}  // namespace orvex::detail
