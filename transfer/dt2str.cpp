// Texts of dates and times: MMDDYY (14 characters), HHMMSS (10), DT2STR (24).
//
// Every 32-bit input yields a text of the full width; inputs that do not fit
// their fields give the error texts.
//   HHMMSS: a negative time is written with a leading minus sign and the fields
//           of its magnitude ("-1:01:01" for -10101); when the hours of the
//           magnitude need more than three digits the result is "<TIMERROR>".
//   MMDDYY: a year below -999 (dates -999999 .. -999001) has no three-digit
//           magnitude and gives "<DATE ERROR>  ", as a day beyond its year does.

#include <cstdint>
#include <string>
#include <utility>

#include "orvex/operations.hpp"
#include "transfer/nextime.hpp"

namespace orvex {

namespace {

constexpr std::size_t kTimeWidth = 10;
constexpr std::size_t kDateWidth = 14;

const char* const kTimeError = "<TIMERROR>";
const char* const kDateError = "<DATE ERROR>  ";

const char* const kMonthNames[12] = {"Jan.", "Feb.", "March", "April", "May",  "June",
                                     "July", "Aug.", "Sept.", "Oct.",  "Nov.", "Dec."};
// Day of year at the end of each month.
constexpr int kCommonEnds[12] = {31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr int kLeapEnds[12] = {31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366};

std::string padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

// Non-negative v with leading zeros to at least `digits` digits.
std::string zero_filled(std::int64_t v, std::size_t digits) {
    std::string s = std::to_string(v);
    if (s.size() < digits) s.insert(0, digits - s.size(), '0');
    return s;
}

}  // namespace

std::string HHMMSS(int jtime) {
    const std::int64_t magnitude = jtime < 0 ? -std::int64_t{jtime} : std::int64_t{jtime};
    const std::int64_t hours = magnitude / 10000;
    // The hours take at most four digits, three after a minus sign.
    if (hours >= (jtime < 0 ? 1000 : 10000)) return kTimeError;
    std::string text = jtime < 0 ? "-" : "";
    text += std::to_string(hours) + ":" + zero_filled((magnitude / 100) % 100, 2) + ":" +
            zero_filled(magnitude % 100, 2);
    return padded(std::move(text), kTimeWidth);
}

std::string MMDDYY(int jdate) {
    if (jdate > 9999999 || jdate < -999999) return kDateError;
    int year = 0;
    int day = 0;
    if (jdate >= 0) {
        year = jdate / 1000;
        day = jdate % 1000;
    } else {
        year = (jdate + 2800000) / 1000 - 2800;
        day = (jdate + 2800000) % 1000;
    }
    if (year < -999) return kDateError;

    const int* ends = (detail::year_length(year) == 366 && day > 59) ? kLeapEnds : kCommonEnds;
    int month = 0;
    while (month < 12 && day > ends[month]) ++month;
    if (month == 12) return kDateError;
    const int mday = day - (month == 0 ? 0 : ends[month - 1]);

    std::string text = std::string(kMonthNames[month]) + " " + std::to_string(mday) + ", ";
    text += year >= 1 ? zero_filled(year, 4) : "-" + zero_filled(-year, 3);
    return padded(std::move(text), kDateWidth);
}

std::string DT2STR(int jdate, int jtime) {
    int date = jdate;
    int time = jtime;
    NEXTIME(date, time, 0);
    return HHMMSS(time) + MMDDYY(date);
}

}  // namespace orvex
