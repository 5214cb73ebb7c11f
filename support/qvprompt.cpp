// QVPROMPT: writes a prompt to the log and reads one answer line from standard input.
#include <iostream>
#include <string>

#include "orvex/operations.hpp"
#include "orvex/text.hpp"
#include "support/logfile.hpp"

namespace orvex {

using namespace detail;

void QVPROMPT(std::string_view prompt, std::string& answer, int& istat) {
    log_unit("QVMSG2/QVPROMPT");
    log_text("     ");
    log_text(trim_right(prompt));
    log_flush();

    const std::size_t width = answer.size();
    answer.assign(width, ' ');
    std::string line;
    std::getline(std::cin, line);
    if (std::cin.bad()) {
        istat = 1;
    } else if (std::cin.fail()) {  // nothing could be read: end of input
        istat = -1;
    } else {
        istat = 0;
    }
    // A read error keeps what was read; the answer is cut or padded to its width.
    answer.replace(0, std::min(width, line.size()), line, 0, std::min(width, line.size()));

    if (istat < 0) QVEXIT("QVPROMPT", 0, 0, "END-OF-FILE encountered", 1);
    if (istat == 0 && answer.find('!') != std::string::npos) answer.assign(width, ' ');
}

}  // namespace orvex
