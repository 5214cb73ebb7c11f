// Hand-offs of the file layer (OPEN3, CRTFIL3, OPNFIL3, DESC3, SYNCFID, CLOSE3,
// SHUT3) to the storage kinds and file types that live in pieces of their own:
// buffered in-memory files, file-set lists, native binary files and
// dictionaries. The layer reaches each piece only through these functions, so
// that the piece that implements it replaces just their bodies (in
// handoffs.cpp) with calls of its own entry points.
#pragma once

#include <string_view>

namespace orvex::detail {

// ---- Buffered in-memory files (CRTBUF3, BUFDEL3) -----------------------------
// Sets up slot fid (name stored, handle BUFFIL3) as a buffered file from FDESC3.
bool buffered_create(int fid);
// Releases every buffer of slot fid; CLOSE3 and SHUT3 call it for every slot
// they free, whatever its kind, so it must do nothing for a slot without buffers.
void buffered_release(int fid);

// ---- File-set lists (OPNLIST3) -------------------------------------------------
// Opens the members of the list in slot fid (name stored, handle LSTFIL3).
bool list_open(int fid, std::string_view pgname);

// ---- Native binary files (CRTBIN3, OPNBIN3, DSCBIN3, FLUSHBIN3, CLOSEBIN3) ----
bool binary_create(std::string_view path, int fid);
bool binary_open(std::string_view path, int fid, int fstatus, std::string_view pgname);
bool binary_describe(int fid);
bool binary_flush(int fid);
bool binary_close(int fid);

// ---- Dictionaries (CRDICT3, dictionary_opened, dictionary_forget) -------------
// Lays out a new dictionary in slot fid (define mode, first seven global
// attributes written); abandons the dataset on failure.
bool dictionary_create(int fid);
// A dictionary opened from disk into slot fid: its record count.
bool dictionary_open(int fid);
// The file of slot fid is closed: drops what the dictionary piece keeps for it.
void dictionary_closed(int fid);

}  // namespace orvex::detail
