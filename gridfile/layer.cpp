// Small helpers shared by the operations of the file layer.
#include "gridfile/layer.hpp"

#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"

namespace orvex::detail {

std::string lname(int fid) { return std::string(slot(fid).flist.trimmed()); }

void warn_block(std::string_view caller, std::initializer_list<std::string> lines) {
    std::vector<std::string> block;
    block.reserve(lines.size() + 3);
    block.emplace_back();
    block.push_back(">>--->> WARNING in subroutine " + std::string(caller));
    block.insert(block.end(), lines.begin(), lines.end());
    block.emplace_back();
    QVPARAG(static_cast<int>(block.size()), block);
}

bool header_checks(std::string_view caller, int& once) {
    if (once < 0) {
        int status = 0;
        const bool value = ENVYN("ORVEX_CHECK_HEADERS", "Perform file-header checks?", false, status);
        if (status > 0) QVWARN(caller, 0, 0, "Invalid value for environment vble \"ORVEX_CHECK_HEADERS\"");
        once = value ? 1 : 0;
    }
    return once == 1;
}

}  // namespace orvex::detail
