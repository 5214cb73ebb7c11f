// The log: the only writer of the log stream (standard output or the file named by LOGFILE).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvex::detail {

// Writes one log line: five blanks, the text without trailing blanks, end of line.
// Opens the log first (INITLOG3 with tag "QVMSG2") when it is not open. Does not flush.
void log_line(std::string_view text);
// Writes one log line of five blanks and the text with its trailing blanks kept.
// Opens the log like log_line. Does not flush.
void log_line_untrimmed(std::string_view text);
// Writes a blank line: five blanks and the end of the line. Does not flush.
void log_blank_line();
// Writes an empty line (no leading blanks), for the few blocks that keep one.
// Does not flush.
void log_empty_line();
// Writes text as it stands, without an end of line (prompts).
void log_text(std::string_view text);
// Flushes the log stream.
void log_flush();
// The log unit: opens the log through INITLOG3 with this caller tag when it is
// not open yet, and returns LOGDEV.
int log_unit(std::string_view caller);

// ---- Warning blocks written straight to the log -----------------------------
// A block is: `before` separator lines, ">>> WARNING in subroutine " + caller +
// " <<<", its lines, `after` separator lines, and a flush when asked. Each block
// keeps the frame it has always had: the separator is a blank line (five
// blanks, log_blank_line) or an empty line (log_empty_line).

enum class LogSeparator { blank, empty };

struct WarningFrame {
    LogSeparator separator;
    int before;  // separator lines before the heading
    int after;   // separator lines after the last line
    bool flush;  // flush the log after the block
};

// One line of a block: written like log_line (trailing blanks dropped) unless
// made by kept_blanks, then like log_line_untrimmed.
struct BlockLine {
    BlockLine(std::string line) : text(std::move(line)) {}
    BlockLine(const char* line) : text(line) {}
    std::string text;
    bool keep_blanks = false;
};

inline BlockLine kept_blanks(std::string line) {
    BlockLine out(std::move(line));
    out.keep_blanks = true;
    return out;
}

void log_warning_block(std::string_view caller, const WarningFrame& frame, const std::vector<BlockLine>& lines);

// ---- A log that keeps only its warning blocks -------------------------------
// For a process that shares its run with others (a rank of a parallel run
// other than 0, without LOGFILE): from now on only the lines of warning blocks
// are written, to standard error; every other log line is dropped.
void log_warnings_only_to_stderr();

// Marks the lines written while it lives as a warning block's (when `on`).
class WarningLines {
public:
    explicit WarningLines(bool on);
    ~WarningLines();
    WarningLines(const WarningLines&) = delete;
    WarningLines& operator=(const WarningLines&) = delete;

private:
    bool on_;
};

// Writes text to standard output as it stands, and flushes standard output:
// for the layer's lines that go there besides the log.
void stdout_text(std::string_view text);
void stdout_flush();
// Flushes stream f, remembering a failure as below when f is standard output
// or the log file. errno is left as it was.
void checked_flush(std::FILE* f);

// ---- Output that could not be written ----------------------------------------
// A failed write, flush or close of the log or of standard output is remembered
// here; it never ends the process, and the failing line is not written again.

struct LostStream {
    bool lost = false;  // some output to the stream was lost
    int code = 0;       // failure code (errno) of the first loss; 0 when none was given
};

struct LostOutput {
    LostStream standard_output;
    LostStream log_file;   // the log when it is a file (a log on standard output counts there)
    std::string log_path;  // path of the log file, once it is opened
};

// What was lost so far in this process.
const LostOutput& lost_output();
// Remembers that output to stream f was lost with failure code `code` (errno,
// 0 when unknown): standard output, or the log file when f is the log's stream.
// Other streams are not recorded.
void note_lost(std::FILE* f, int code);
// Remembers a failed close of the log file's unit.
void note_log_file_lost(int code);
// Remembers the path of the log file (INITLOG3).
void note_log_path(std::string path);

}  // namespace orvex::detail
