// INITLOG3: opens the log on first need, on standard output or on a new file.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/layerstate.hpp"
#include "orvex/operations.hpp"
#include "orvex/text.hpp"
#include "support/exithook.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"
#include "support/units.hpp"

namespace orvex {

using namespace detail;

int INITLOG3(std::string_view caller) {
    if (LAYER_STATE.logdev >= 0) return LAYER_STATE.logdev;

    std::string eqname(512, ' ');
    NAMEVAL("LOGFILE", eqname);
    if (same_padded(std::string_view(eqname).substr(0, NAMLEN3), "LOGFILE")) {
        LAYER_STATE.logstd = true;
        LAYER_STATE.logdev = STDOUT_UNIT;
        return LAYER_STATE.logdev;
    }

    LAYER_STATE.logstd = false;
    const int unit = JUNIT();
    LAYER_STATE.logdev = unit;
    // A log is never overwritten or appended to: the file must be new, except
    // for the null device.
    const std::string path(trim_right(eqname));
    const int status = open_unit(unit, path, path == "/dev/null" ? "w" : "wx");
    if (status != 0) {
        std::fflush(nullptr);
        const std::string text = "\n     ***  ERROR in " + std::string(trim_right(caller)) + "/INITLOG3  ***\n" +
                                 "     Error opening log file on unit" + fmt_I(unit, 10) + "\n" +
                                 "     I/O STATUS =" + fmt_I(status, 10) + "\n" +
                                 "     File: " + path + "\n\n";
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
        ExitNotice notice;
        notice.cause = ExitCause::LogOpen;
        notice.status = 2;
        notice.path = path;
        notice.error = status;
        end_process(notice);
    }
    note_log_path(path);
    return LAYER_STATE.logdev;
}

}  // namespace orvex
