// The file layer's hand-offs (see handoffs.hpp). A kind whose piece is not yet
// part of the build answers with one log line saying that kind of file is not
// available, and fails; the caller's own failure path follows.
#include "gridfile/handoffs.hpp"

#include <string>

#include "gridfile/dictionary.hpp"
#include "gridfile/layer.hpp"
#include "orvex/operations.hpp"
#include "support/filelist.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

namespace {

bool not_available(std::string_view kind, int fid) {
    QVMSG2(std::string(kind) + " files are not available in this build:  " + lname(fid));
    return false;
}

}  // namespace

// ---- Buffered in-memory files ----------------------------------------------
bool buffered_create(int fid) { return CRTBUF3(fid); }
void buffered_release(int fid) { BUFDEL3(fid); }

// ---- File-set lists ---------------------------------------------------------
bool list_open(int fid, std::string_view pgname) { return OPNLIST3(fid, pgname); }

// ---- Native binary files ------------------------------------------------------
bool binary_create(std::string_view /*path*/, int fid) { return not_available("Native-binary", fid); }
bool binary_open(std::string_view /*path*/, int fid, int /*fstatus*/, std::string_view /*pgname*/) {
    return not_available("Native-binary", fid);
}
bool binary_describe(int fid) { return not_available("Native-binary", fid); }
bool binary_flush(int fid) { return not_available("Native-binary", fid); }
bool binary_close(int fid) { return not_available("Native-binary", fid); }

// ---- Dictionaries -------------------------------------------------------------
bool dictionary_create(int fid) { return CRDICT3(fid); }
bool dictionary_open(int fid) { return dictionary_opened(fid); }
void dictionary_closed(int fid) { dictionary_forget(fid); }

}  // namespace orvex::detail
