#include <netcdf.h>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"

namespace orvex {

using namespace detail;

bool SHUT3() {
    if (!STATE3.finit) return true;
    bool ok = true;
    for (int f = 1; f <= STATE3.count; ++f) {
        FileSlot& s = slot(f);
        if (s.is_free()) continue;
        if (s.cdfid >= 0) {
            const int status = nc_close(s.cdfid);
            if (status != NC_NOERR) {
                const std::string lines[] = {"", ">>--->> WARNING in subroutine SHUT3", "Error closing netCDF file ",
                                             "File name:  " + std::string(s.flist.trimmed()),
                                             "netCDF error number" + std::to_string(status), ""};
                QVPARAG(6, lines);
                ok = false;
            }
        }
    }
    for (int f = 1; f <= STATE3.count; ++f) {
        FileSlot& s = slot(f);
        s.nlist = 0;
        s.ilist = IMISS3;
        free_slot(f);
    }
    STATE3.count = IMISS3;
    STATE3.nlist_used = 0;
    STATE3.finit = false;
    return ok;
}

}  // namespace orvex
