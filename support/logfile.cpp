// The log writer. Every log line is five blanks and the text without trailing
// blanks; the message operations decide when the stream is flushed. Every
// write and flush is checked, and a failure is remembered, never acted on.
#include "support/logfile.hpp"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "support/layerstate.hpp"
#include "orvex/operations.hpp"
#include "orvex/text.hpp"
#include "support/units.hpp"

namespace orvex::detail {

namespace {

constexpr std::string_view LEAD = "     ";

LostOutput lost;

void remember(LostStream& s, int code) {
    if (s.lost) return;
    s.lost = true;
    s.code = code > 0 ? code : 0;
}

// The log's stream, opening the log first when need be. After QVEXIT has closed
// the text units, a line that still comes (a failed close of the log's own
// unit) goes to standard output rather than nowhere.
bool warnings_only = false;
int warning_depth = 0;

// Where a dropped line goes.
std::FILE* sink() {
    static std::FILE* const null_device = std::fopen("/dev/null", "w");
    return null_device != nullptr ? null_device : stderr;
}

std::FILE* stream() {
    std::FILE* f = unit_stream(log_unit("QVMSG2"));
    if (warnings_only) return warning_depth > 0 ? stderr : sink();
    return f != nullptr ? f : stdout;
}

// Writing (and opening) the log leaves errno as it found it: the log is written
// between calls of the netCDF library, some of whose reports rest on the errno
// of their own calls.
class KeepErrno {
public:
    KeepErrno() { errno = 0; }
    ~KeepErrno() { errno = saved_; }
    KeepErrno(const KeepErrno&) = delete;
    KeepErrno& operator=(const KeepErrno&) = delete;

private:
    int saved_ = errno;
};

void put(std::FILE* f, std::string_view text) {
    if (text.empty()) return;
    const KeepErrno keep;
    if (std::fwrite(text.data(), 1, text.size(), f) != text.size()) note_lost(f, errno);
}

void put_char(std::FILE* f, char c) {
    const KeepErrno keep;
    if (std::fputc(c, f) == EOF) note_lost(f, errno);
}

}  // namespace

void checked_flush(std::FILE* f) {
    const KeepErrno keep;
    if (std::fflush(f) != 0) note_lost(f, errno);
}

int log_unit(std::string_view caller) {
    if (LAYER_STATE.logdev < 0) {
        const KeepErrno keep;
        LAYER_STATE.logdev = INITLOG3(caller);
    }
    return LAYER_STATE.logdev;
}

void log_line(std::string_view text) { log_line_untrimmed(trim_right(text)); }

void log_line_untrimmed(std::string_view text) {
    std::FILE* f = stream();
    put(f, LEAD);
    put(f, text);
    put_char(f, '\n');
}

void log_blank_line() { log_line_untrimmed(""); }

void log_empty_line() { put_char(stream(), '\n'); }

void log_warning_block(std::string_view caller, const WarningFrame& frame, const std::vector<BlockLine>& lines) {
    const WarningLines block(true);
    const auto separators = [&frame](int n) {
        for (int i = 0; i < n; ++i) {
            if (frame.separator == LogSeparator::blank)
                log_blank_line();
            else
                log_empty_line();
        }
    };
    separators(frame.before);
    log_line(">>> WARNING in subroutine " + std::string(caller) + " <<<");
    for (const BlockLine& line : lines) {
        if (line.keep_blanks)
            log_line_untrimmed(line.text);
        else
            log_line(line.text);
    }
    separators(frame.after);
    if (frame.flush) log_flush();
}

void log_warnings_only_to_stderr() { warnings_only = true; }

WarningLines::WarningLines(bool on) : on_(on) {
    if (on_) ++warning_depth;
}

WarningLines::~WarningLines() {
    if (on_) --warning_depth;
}

void log_text(std::string_view text) { put(stream(), text); }

void log_flush() { checked_flush(stream()); }

void stdout_text(std::string_view text) { put(stdout, text); }

void stdout_flush() { checked_flush(stdout); }

const LostOutput& lost_output() { return lost; }

void note_lost(std::FILE* f, int code) {
    if (f == nullptr) return;
    if (f == stdout) {
        remember(lost.standard_output, code);
    } else if (LAYER_STATE.logdev >= FIRST_UNIT && f == unit_stream(LAYER_STATE.logdev)) {
        remember(lost.log_file, code);
    }
}

void note_log_file_lost(int code) { remember(lost.log_file, code); }

void note_log_path(std::string path) { lost.log_path = std::move(path); }

}  // namespace orvex::detail
