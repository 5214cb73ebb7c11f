// The file layer's hand-offs (see handoffs.hpp): each calls its piece's entry point.
#include "gridfile/handoffs.hpp"

#include "gridfile/dictionary.hpp"
#include "support/filelist.hpp"
#include "support/iobin3.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

// ---- Buffered in-memory files ----------------------------------------------
bool buffered_create(int fid) { return CRTBUF3(fid); }
void buffered_release(int fid) { BUFDEL3(fid); }

// ---- File-set lists ---------------------------------------------------------
bool list_open(int fid, std::string_view pgname) { return OPNLIST3(fid, pgname); }

// ---- Native binary files ------------------------------------------------------
bool binary_create(std::string_view path, int fid) { return CRTBIN3(path, fid); }
bool binary_open(std::string_view path, int fid, int fstatus, std::string_view pgname) {
    return OPNBIN3(path, fid, fstatus, pgname);
}
bool binary_describe(int fid) { return DSCBIN3(fid); }
bool binary_flush(int fid) { return FLUSHBIN3(fid); }
bool binary_close(int fid) { return CLOSEBIN3(fid); }

// ---- Dictionaries -------------------------------------------------------------
bool dictionary_create(int fid) { return CRDICT3(fid); }
bool dictionary_open(int fid) { return dictionary_opened(fid); }
void dictionary_closed(int fid) { dictionary_forget(fid); }

}  // namespace orvex::detail
