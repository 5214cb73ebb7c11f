// The message writers: one line, a paragraph, and the flush of a text unit.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "orvex/operations.hpp"
#include "support/logfile.hpp"
#include "support/units.hpp"

namespace orvex {

using namespace detail;

namespace {

void write_message(std::string_view caller, std::string_view message) {
    log_unit(caller);
    log_line(message);
    log_flush();
}

}  // namespace

void QVMSG2(std::string_view message) { write_message("QVMSG2", message); }

void QVMESG(std::string_view message) { write_message("QVMSG2/QVMESG", message); }

void QVPARAG(int nmesg, std::span<const std::string> msgs) {
    log_unit("QVMSG2/QVPARAG");
    const std::size_t n = nmesg > 0 ? std::min(static_cast<std::size_t>(nmesg), msgs.size()) : 0;
    const WarningLines block(std::any_of(msgs.begin(), msgs.begin() + static_cast<std::ptrdiff_t>(n),
                                         [](const std::string& m) { return m.starts_with(">>--->> WARNING"); }));
    for (std::size_t i = 0; i < n; ++i) log_line(msgs[i]);
    log_flush();
}

void QVFLUSH(int idev) {
    if (std::FILE* f = unit_stream(idev)) checked_flush(f);
}

}  // namespace orvex

extern "C" void qvmesgc(const char* msgtxt) {
    orvex::QVMESG(std::string_view(msgtxt, std::strlen(msgtxt)));
}
