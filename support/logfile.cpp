// The log writer. Every log line is five blanks and the text without trailing
// blanks; the message operations decide when the stream is flushed.
#include "support/logfile.hpp"

#include <cstdio>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "orvex/text.hpp"
#include "support/units.hpp"

namespace orvex::detail {

namespace {

constexpr std::string_view LEAD = "     ";

// The log's stream, opening the log first when need be. After QVEXIT has closed
// the text units, a line that still comes (a failed close of the log's own
// unit) goes to standard output rather than nowhere.
std::FILE* stream() {
    std::FILE* f = unit_stream(log_unit("QVMSG2"));
    return f != nullptr ? f : stdout;
}

void put(std::FILE* f, std::string_view text) { std::fwrite(text.data(), 1, text.size(), f); }

}  // namespace

int log_unit(std::string_view caller) {
    if (STATE3.logdev < 0) STATE3.logdev = INITLOG3(caller);
    return STATE3.logdev;
}

void log_line(std::string_view text) { log_line_untrimmed(trim_right(text)); }

void log_line_untrimmed(std::string_view text) {
    std::FILE* f = stream();
    put(f, LEAD);
    put(f, text);
    std::fputc('\n', f);
}

void log_blank_line() { log_line_untrimmed(""); }

void log_empty_line() { std::fputc('\n', stream()); }

void log_text(std::string_view text) { put(stream(), text); }

void log_flush() { std::fflush(stream()); }

}  // namespace orvex::detail
