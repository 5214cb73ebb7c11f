// Record numbers on a file's time axis: CURREC and JSTEP3.
//
// Record n of a time-stepped file begins at start + (n - 1) * |step|; a step of 0
// marks a time-independent file with its single record 1.
// The distance from the start and the step to the record's own start are kept in
// 64 bits, so a date more than 68 years (or 214748 hours) after the start still
// finds its record; a record number beyond the 32-bit range yields -1.

#include <climits>
#include <cstdint>

#include "orvex/operations.hpp"
#include "transfer/nextime.hpp"

namespace orvex {

int CURREC(int jdate, int jtime, int sdate, int stime, int tstep, int& cdate, int& ctime) {
    if (tstep == 0) {
        cdate = sdate;
        ctime = stime;
        return 1;
    }
    if (jdate < -10000000 || jdate > 10000000) return -1;

    const std::int64_t since = detail::secsdiff64(sdate, stime, jdate, jtime);
    if (since < 0) return -1;

    const std::int64_t period = detail::time2sec64(tstep < 0 ? -std::int64_t{tstep} : std::int64_t{tstep});
    const std::int64_t steps = since / period;
    if (steps >= INT_MAX) return -1;

    std::int64_t date = sdate;
    std::int64_t time = stime;
    detail::nextime64(date, time, detail::sec2time64(steps * period));
    cdate = static_cast<int>(date);
    ctime = static_cast<int>(time);
    return static_cast<int>(steps + 1);
}

int JSTEP3(int jdate, int jtime, int sdate, int stime, int tstep) {
    if (tstep == 0) return 1;
    int cdate = 0;
    int ctime = 0;
    const int rec = CURREC(jdate, jtime, sdate, stime, tstep, cdate, ctime);
    if (rec < 0) return -1;
    int ndate = jdate;
    int ntime = jtime;
    NEXTIME(ndate, ntime, 0);
    return (ndate == cdate && ntime == ctime) ? rec : -1;
}

}  // namespace orvex
