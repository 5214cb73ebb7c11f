// Buffered in-memory files: the buffer store and the read, write and create
// steps that OPEN3, READ3 and WRITE3 hand such files to.
//
// The store keeps one block per (file number 0..MXFILE3, variable number
// 0..MXVARS3). A block holds one or two halves of (values per layer) x NLAYS
// elements of 4 bytes (integer, real) or 8 bytes (double); a time-stepped
// file's block has two halves, a time-independent file's one. Blocks are
// zero-filled when allocated; the blocks of file number f are owned by table
// slot f (freeing the slot frees them), BUFDEL3 frees every block of a file,
// and whatever is still held at the end of the process is freed with the table.
#pragma once

#include <cstddef>
#include <span>

#include "orvex/parms3.hpp"

namespace orvex::detail {

// ---- The buffer store ----------------------------------------------------------

// Allocates a block for each of variables 1..nvars of file fid, of
// nlays x nvals elements per half (two halves when tstep is not 0), 8-byte
// elements for QVDBLE variables and 4-byte ones otherwise. Allocates nothing
// when variable 1 already has a block. False (with the message "Error
// allocating internal buffer for BUFCRE3()") when a block cannot be had; the
// blocks allocated by this call are then released again.
bool BUFCRE3(int fid, int nvars, int nlays, int nvals, std::span<const int> vtypes, int tstep);

// Copies size elements into half (0 or 1) of the block of (fid, vid),
// allocating a block of two halves of size elements (one when tstep is 0) when
// there is none. False when the block cannot be allocated or does not hold
// the request (other element width, half or size beyond the block).
bool BUFPUT3(int fid, int vid, int size, int half, int tstep, const float* src);
bool BUFPUT3I(int fid, int vid, int size, int half, int tstep, const int* src);
bool BUFPUT3D(int fid, int vid, int size, int half, int tstep, const double* src);

// Copies layer `layer` (1..nlays; nvals elements) or, for layer <= 0, all nlays
// layers of half `half` of the block of (fid, vid) into dst. False with
// "BUFFERED file not yet allocated" when there is no block; false when the
// request lies outside the block.
bool BUFGET3(int fid, int vid, int layer, int nlays, int nvals, int half, float* dst);
bool BUFGET3I(int fid, int vid, int layer, int nlays, int nvals, int half, int* dst);
bool BUFGET3D(int fid, int vid, int layer, int nlays, int nvals, int half, double* dst);

// Frees every block of file fid (variables 0..MXVARS3). A file number outside
// 0..MXFILE3 is ignored.
void BUFDEL3(int fid);

// Bytes held by the blocks of file fid (0 when it holds none).
std::size_t buffer_bytes(int fid);

// ---- Buffered files ------------------------------------------------------------

// A bookkeeping pair (date, time) that holds no step.
inline bool empty_pair(int date, int time) { return date == IMISS3 && time == IMISS3; }

// Sets up slot fid as a buffered file from FDESC3 (the buffered handle, the
// description, empty bookkeeping) and allocates its blocks. Any storage left
// at that file number is released first, so a new file starts empty.
bool CRTBUF3(int fid);

// Reads variable vid (1-based; -1 for all variables, which must all be real)
// at jdate:jtime into buffer: layer 1..NLAYS, or all layers for -1.
bool RDBUF3(int fid, int vid, int layer, int jdate, int jtime, void* buffer);

// Writes variable vid (1-based; -1 for all variables, which must all be real)
// at jdate:jtime, whose record on the file's time axis is `record` (the
// record slot WRITE3 computed), from buffer: all layers.
bool WRBUF3(int fid, int vid, int jdate, int jtime, int record, const void* buffer);

}  // namespace orvex::detail
