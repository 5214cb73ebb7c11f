// GETDTTIME: the current date and time (UTC) from the system clock.

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "orvex/operations.hpp"
#include "support/exithook.hpp"
#include "transfer/nextime.hpp"

namespace orvex {

namespace detail {

void epoch_to_dttime(std::int64_t secs, int& jdate, int& jtime) {
    // Whole days and the time of day, both by floor division, so that readings
    // before 1970 fall on the right day too; days are counted one year at a time.
    const std::int64_t days = floor_div(secs, 86400);
    std::int64_t date = 1970001;
    std::int64_t time = sec2time64(secs - 86400 * days);
    nextime64(date, time, days * 240000);
    jdate = static_cast<int>(date);
    jtime = static_cast<int>(time);
}

}  // namespace detail

void GETDTTIME(int& jdate, int& jtime) {
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const std::int64_t secs = now.time_since_epoch().count();
    // A clock that reads exactly the epoch is taken as a failed reading.
    if (secs == 0) {
        ExitNotice notice;
        notice.cause = ExitCause::Clock;
        notice.status = 2;
        detail::end_process(notice);
    }
    detail::epoch_to_dttime(secs, jdate, jtime);
}

}  // namespace orvex
