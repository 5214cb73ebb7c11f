// The log: the only writer of the log stream (standard output or the file named by LOGFILE).
#pragma once

#include <string_view>

namespace orvex::detail {

// Writes one log line: five blanks, the text without trailing blanks, end of line.
// Opens the log first (INITLOG3 with tag "QVMSG2") when it is not open. Does not flush.
void log_line(std::string_view text);
// Writes an empty line (no leading blanks). Does not flush.
void log_empty_line();
// Writes text as it stands, without an end of line (prompts).
void log_text(std::string_view text);
// Flushes the log stream.
void log_flush();

}  // namespace orvex::detail
