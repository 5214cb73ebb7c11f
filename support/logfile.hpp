// The log: the only writer of the log stream (standard output or the file named by LOGFILE).
#pragma once

#include <string_view>

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

}  // namespace orvex::detail
