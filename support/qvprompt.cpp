// QVPROMPT: writes a prompt to the log and reads one answer line from standard input.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include "orvex/operations.hpp"
#include "orvex/text.hpp"
#include "support/logfile.hpp"

namespace orvex {

using namespace detail;

namespace {

// Reads one line of standard input, without its end of line, into `line`.
// Returns 0 when a line was read (a last line without an end of line counts),
// -1 at end of input with nothing read, and the failure code (positive) when
// the read failed; what was read before a failure stays in `line`.
int read_line(std::string& line) {
    line.clear();
    // Each prompt reports its own read, not an indicator left by an earlier one.
    std::clearerr(stdin);
    errno = 0;
    int c = 0;
    while ((c = std::getc(stdin)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c != EOF) return 0;
    if (std::ferror(stdin)) return errno > 0 ? errno : EIO;
    return line.empty() ? -1 : 0;
}

}  // namespace

void QVPROMPT(std::string_view prompt, std::string& answer, int& istat) {
    log_unit("QVMSG2/QVPROMPT");
    log_text("     ");
    log_text(trim_right(prompt));
    log_flush();

    const std::size_t width = answer.size();
    answer.assign(width, ' ');
    std::string line;
    istat = read_line(line);
    // The answer is cut or blank-padded to its width; a failed read keeps what it read.
    answer.replace(0, std::min(width, line.size()), line, 0, std::min(width, line.size()));

    if (istat < 0) QVEXIT("QVPROMPT", 0, 0, "END-OF-FILE encountered", 1);
    if (istat == 0 && answer.find('!') != std::string::npos) answer.assign(width, ' ');
}

}  // namespace orvex
