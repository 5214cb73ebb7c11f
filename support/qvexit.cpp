// Warnings and the orderly end of a run: QVWARN, QVERR, QVEXIT and their C entries.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/layerstate.hpp"
#include "orvex/operations.hpp"
#include "support/exithook.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"
#include "support/units.hpp"

namespace orvex {

using namespace detail;

namespace {

// Lines that these operations compose are fields of 256 characters.
constexpr std::size_t LINE_WIDTH = 256;

std::string composed(std::string_view text) { return std::string(text.substr(0, std::min(text.size(), LINE_WIDTH))); }

std::string composed(std::string_view head, std::string_view tail) {
    std::string line(head);
    line += tail;
    return composed(line);
}

bool has_date_time(int jdate, int jtime) { return jdate > 0 || jtime > 0; }

std::string_view c_text(const char* s) { return std::string_view(s, std::strlen(s)); }

}  // namespace

void QVWARN(std::string_view caller, int jdate, int jtime, std::string_view msgtxt) {
    std::vector<std::string> lines = {"", composed(">>--->> WARNING in subroutine ", caller), composed(msgtxt)};
    if (has_date_time(jdate, jtime)) lines.push_back(composed("QVWARN:  DTBUF ", DT2STR(jdate, jtime)));
    lines.emplace_back();
    QVPARAG(static_cast<int>(lines.size()), lines);
}

void QVERR(std::string_view caller, int jdate, int jtime, std::string_view msgtxt, bool fatal) {
    if (fatal) QVEXIT(caller, jdate, jtime, msgtxt, 2);
    QVWARN(caller, jdate, jtime, msgtxt);
}

void QVEXIT(std::string_view caller, int jdate, int jtime, std::string_view msgtxt, int exitstat) {
    const bool shut = SHUT3();

    std::vector<std::string> lines = {""};
    if (!shut) lines.emplace_back("Could not shut down ORVEX files correctly");
    lines.push_back(exitstat != 0 ? composed("*** ERROR ABORT in subroutine ", caller)
                                  : composed("--->> Normal Completion of program ", caller));
    lines.push_back(composed(msgtxt));
    if (has_date_time(jdate, jtime))
        lines.push_back(composed("Date and time  " + DT2STR(jdate, jtime) + "  (" + fmt_I(jdate, 7) + ":" +
                                 fmt_Im(jtime, 6, 6) + ")"));
    lines.emplace_back();
    QVPARAG(static_cast<int>(lines.size()), lines);

    for (int unit = FIRST_UNIT; unit <= LAST_UNIT; ++unit) {
        if (!unit_in_use(unit)) continue;
        const bool log_file = unit == LAYER_STATE.logdev;
        const int status = close_unit(unit);
        if (status == 0) continue;
        // The log file's last data are lost; the report goes to standard output.
        if (log_file) note_log_file_lost(status);
        QVMSG2("Error closing unit  " + fmt_I(unit, 4) + " status =" + fmt_I(status, 10));
    }
    ExitNotice notice;
    notice.status = exitstat;
    notice.caller = caller;
    notice.message = msgtxt;
    end_process(notice);
}

}  // namespace orvex

extern "C" {

void qverrc(const char* caller, int jdate, int jtime, const char* msgtxt, int fatal) {
    orvex::QVERR(orvex::c_text(caller), jdate, jtime, orvex::c_text(msgtxt), fatal != 0);
}

void qvwarnc(const char* caller, int jdate, int jtime, const char* msgtxt) {
    orvex::QVWARN(orvex::c_text(caller), jdate, jtime, orvex::c_text(msgtxt));
}

}
