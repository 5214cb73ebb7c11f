// The layer's text units: numbered text streams 10..99, and unit 6 for standard output.
// A unit is free while no stream is open on it; JUNIT hands out the highest free one.
#pragma once

#include <cstdio>
#include <string>

namespace orvex::detail {

inline constexpr int STDOUT_UNIT = 6;
inline constexpr int FIRST_UNIT = 10;
inline constexpr int LAST_UNIT = 99;

// The stream of a unit: standard output for 6, the open stream for 10..99,
// nullptr for a unit that is not open or out of range.
std::FILE* unit_stream(int unit);
// True when a stream is open on unit 10..99.
bool unit_in_use(int unit);
// Opens path on unit 10..99 with the std::fopen mode; 0 on success, else the
// failure code (errno). A unit already in use is refused with EBUSY.
int open_unit(int unit, const std::string& path, const char* mode);
// Closes unit 10..99; 0 on success, else the failure code (errno). The unit is
// free afterwards in either case. Closing a unit that is not open gives 0.
int close_unit(int unit);

}  // namespace orvex::detail
