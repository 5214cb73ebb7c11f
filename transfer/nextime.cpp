// Date and time stepping: NEXTIME, SEC2TIME, TIME2SEC, SECSDIFF.
//
// Dates are YYYYDDD, times and steps HHMMSS with unlimited hours. Every field is
// taken with truncating division (a negative time has all fields <= 0), carries
// are floor carries, and day counts are stepped one year at a time.
// The work is done in 64 bits; the public 32-bit forms wrap modulo 2^32 when a
// result does not fit (the 32-bit overflow behaviour is otherwise left open).

#include "transfer/nextime.hpp"

#include "orvex/operations.hpp"

namespace orvex {

namespace detail {

namespace {

constexpr std::int64_t kCycle = 400000;  // 400 Gregorian years in YYYYDDD

// Seconds of a time or step, with the fields taken by truncating division.
struct Fields {
    std::int64_t hours, minutes, seconds;
};

Fields fields_of(std::int64_t t) { return {t / 10000, (t / 100) % 100, t % 100}; }

std::int64_t abs64(std::int64_t v) { return v < 0 ? -v : v; }

}  // namespace

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

std::int64_t floor_mod(std::int64_t a, std::int64_t b) { return a - b * floor_div(a, b); }

int year_length(std::int64_t year) {
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return leap ? 366 : 365;
}

void nextime64(std::int64_t& jdate, std::int64_t& jtime, std::int64_t tstep) {
    // Years 0 and below are moved up by whole 400-year cycles, which keeps leap years.
    std::int64_t shift = 0;
    std::int64_t date = jdate;
    if (date < 1000) {
        shift = ((-date / 1000 + 1) / 400) * kCycle + kCycle;
        date += shift;
    }

    const std::int64_t sign = tstep >= 0 ? 1 : -1;
    const Fields step = fields_of(abs64(tstep));
    const Fields now = fields_of(jtime);

    std::int64_t secs = now.seconds + sign * step.seconds;
    const std::int64_t c1 = floor_div(secs, 60);
    secs -= 60 * c1;

    std::int64_t mins = now.minutes + sign * step.minutes + c1;
    const std::int64_t c2 = floor_div(mins, 60);
    mins -= 60 * c2;

    std::int64_t hours = now.hours + sign * step.hours + c2;

    std::int64_t day = date % 1000;
    std::int64_t year = date / 1000;
    if (hours < 0 || hours > 23) {
        const std::int64_t days = floor_div(hours, 24);
        day += days;
        hours -= 24 * days;
    }
    jtime = hours * 10000 + mins * 100 + secs;

    while (day <= 0) {
        day += year_length(year - 1);
        --year;
    }
    while (day > year_length(year)) {
        day -= year_length(year);
        ++year;
    }
    jdate = year * 1000 + day - shift;
}

std::int64_t sec2time64(std::int64_t secs) {
    if (secs < 0) return -sec2time64(-secs);
    return (secs / 3600) * 10000 + ((secs / 60) % 60) * 100 + secs % 60;
}

std::int64_t time2sec64(std::int64_t time) {
    if (time < 0) return -time2sec64(-time);
    const Fields f = fields_of(time);
    return 3600 * f.hours + 60 * f.minutes + f.seconds;
}

std::int64_t secsdiff64(std::int64_t adate, std::int64_t atime, std::int64_t zdate, std::int64_t ztime) {
    // Dates of year 1 day 0 and below: raise both by the same 400-year multiple.
    if (adate <= 1000 || zdate <= 1000) {
        const std::int64_t lowest = -adate > -zdate ? -adate : -zdate;
        const std::int64_t shift = (((lowest / 1000 + 1) / 400) + 1) * kCycle;
        adate += shift;
        zdate += shift;
    }
    const Fields a = fields_of(atime);
    const Fields z = fields_of(ztime);
    const std::int64_t hours = 24 * (zdate % 1000 - adate % 1000) + z.hours - a.hours;
    const std::int64_t minutes = 60 * hours + z.minutes - a.minutes;
    std::int64_t secs = 60 * minutes + z.seconds - a.seconds;

    const std::int64_t ya = adate / 1000;
    const std::int64_t yz = zdate / 1000;
    for (std::int64_t y = ya; y < yz; ++y) secs += 86400 * year_length(y);
    for (std::int64_t y = yz; y < ya; ++y) secs -= 86400 * year_length(y);
    return secs;
}

}  // namespace detail

void NEXTIME(int& jdate, int& jtime, int tstep) {
    std::int64_t date = jdate;
    std::int64_t time = jtime;
    detail::nextime64(date, time, tstep);
    jdate = static_cast<int>(date);
    jtime = static_cast<int>(time);
}

int SEC2TIME(int secs) { return static_cast<int>(detail::sec2time64(secs)); }

int TIME2SEC(int time) { return static_cast<int>(detail::time2sec64(time)); }

int SECSDIFF(int adate, int atime, int zdate, int ztime) {
    return static_cast<int>(detail::secsdiff64(adate, atime, zdate, ztime));
}

}  // namespace orvex
