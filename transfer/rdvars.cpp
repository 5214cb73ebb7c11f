// Hyperslab reads of one variable or of all variables back to back, by the
// file's storage kind.
#include "gridfile/storage.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

bool RDVARS(int fid, int vid, const Hyperslab& slab, int delta, void* buffer) {
    return kind_of(fid).read_vars(fid, vid, slab, delta, buffer);
}

}  // namespace orvex::detail
