// Date and time arithmetic shared inside the library.
//
// The public NEXTIME, SECSDIFF, SEC2TIME and TIME2SEC work on 32-bit values and
// wrap on overflow; these 64-bit forms let CURREC and GETDTTIME step across
// spans that a 32-bit HHMMSS step cannot encode (more than 214748 hours).
#pragma once

#include <cstdint>

namespace orvex::detail {

// Floor division and its non-negative remainder for a positive divisor.
std::int64_t floor_div(std::int64_t a, std::int64_t b);
std::int64_t floor_mod(std::int64_t a, std::int64_t b);

// 366 for a Gregorian leap year (proleptic, any sign), else 365.
int year_length(std::int64_t year);

// NEXTIME on 64-bit values: jdate:jtime advanced by the signed HHMMSS step, normalised.
void nextime64(std::int64_t& jdate, std::int64_t& jtime, std::int64_t tstep);
// SECSDIFF without the 32-bit wrap.
std::int64_t secsdiff64(std::int64_t adate, std::int64_t atime, std::int64_t zdate, std::int64_t ztime);
// SEC2TIME and TIME2SEC without the 32-bit wrap.
std::int64_t sec2time64(std::int64_t secs);
std::int64_t time2sec64(std::int64_t time);

// Date and time (UTC) of a clock reading in seconds since 1970-01-01 00:00:00.
void epoch_to_dttime(std::int64_t secs, int& jdate, int& jtime);

}  // namespace orvex::detail
