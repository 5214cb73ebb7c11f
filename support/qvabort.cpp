// QVABORT: the three-line report of a failed netCDF call.
#include <netcdf.h>

#include <string>

#include "orvex/operations.hpp"
#include "orvex/text.hpp"
#include "support/format.hpp"

namespace orvex {

void QVABORT(std::string_view fname, int /*fnum*/, int ierr, std::string_view message) {
    QVMSG2(message);
    QVMSG2("netCDF error number" + detail::fmt_I(ierr, 5) + "  processing file \"" + std::string(trim_right(fname)) +
           "\"");
    QVMSG2(std::string_view(nc_strerror(ierr)).substr(0, 80));
}

}  // namespace orvex
