// Hyperslab reads of one variable or of all variables back to back.
#include <netcdf.h>

#include <cstddef>

#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "transfer/handoffs.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

bool RDVARS(int fid, int vid, const Hyperslab& slab, int delta, void* buffer) {
    FileSlot& s = slot(fid);
    if (s.cdfid == BINFIL3) return binary_read_vars(fid, vid, slab, delta, buffer);

    const int first = vid > 0 ? vid : 1;
    const int last = vid > 0 ? vid : var_count(s);
    auto* out = static_cast<std::byte*>(buffer);
    for (int v = first; v <= last; ++v) {
        const VarSlot& var = s.vars[static_cast<std::size_t>(v - 1)];
        const int status = get_slab(s.cdfid, var.vid, slab, var.vtype, out);
        if (status != NC_NOERR) {
            QVMSG2("netCDF error number" + fmt_I(status, 6) + "  Error reading variable \"" + var.name.str() +
                   "\" from file \"" + s.flist.str() + "\"");
            return false;
        }
        out += static_cast<std::size_t>(delta) * static_cast<std::size_t>(words_per_element(var.vtype)) * 4;
    }
    return true;
}

}  // namespace orvex::detail
