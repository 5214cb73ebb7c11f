// The header check of an existing classic-format netCDF file, made before the
// file is handed to the netCDF library, which allocates and walks whatever a
// classic header claims (a count of four thousand million values in a file of
// a few kilobytes, a dimension list it runs off the end of).
#pragma once

#include <string>

namespace orvex::detail {

// Reads the counts, lengths and offsets of the classic-format header of the
// file at path (never its data) and checks them against the file's size: every
// list count, name length and attribute value count must fit in the file,
// names must be at most NC_MAX_NAME characters, list tags and data types must
// be those of the format, every dimension id a variable names must be in the
// dimension list, sizes must not overflow, a fixed-size variable must lie
// between the end of the header and the end of the file, and a record
// variable must begin after the header and within the first record. The record count is not checked: a file with no records yet, or
// one still being written, has record variables at or past its end.
//
// Returns the field that claims what the file cannot hold, and its claim
// ("attribute NVARS claims 4294967295 values"); empty when the file may go to
// the netCDF library: its header holds together, or it is not a classic-format
// file (HDF5-based, foreign, not a regular file, not readable here).
std::string classic_header_lie(const std::string& path);

}  // namespace orvex::detail
