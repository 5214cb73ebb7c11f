// Storage kinds not yet available in this build: each hand-off says so in the
// log and fails, leaving the caller's own failure report to follow.
#include "transfer/handoffs.hpp"

#include "gridfile/dictionary.hpp"
#include "orvex/operations.hpp"

namespace orvex::detail {

namespace {

bool not_available(std::string_view kind) {
    QVMSG2(std::string(kind) + " are not available in this build");
    return false;
}

}  // namespace

bool buffered_read(int, int, int, int, int, void*) { return not_available("Buffered files"); }

bool buffered_write(int, int, int, int, int, const void*) { return not_available("Buffered files"); }

bool dictionary_read(int fid, std::string_view entry) { return RDDICT3(fid, entry); }

bool dictionary_write(int fid, std::string_view entry) { return WRDICT3(fid, entry); }

bool list_member(int&, int, int, int) { return not_available("File-set lists"); }

bool binary_read_flags(int, int, int, int*) { return not_available("Native binary files"); }

bool binary_write_flag(int, int, const FlagPair&, int) { return not_available("Native binary files"); }

bool binary_read_vars(int, int, const Hyperslab&, int, void*) { return not_available("Native binary files"); }

bool binary_write_vars(int, int, const FlagPair&, int, const Hyperslab&, int, const void*) {
    return not_available("Native binary files");
}

}  // namespace orvex::detail
