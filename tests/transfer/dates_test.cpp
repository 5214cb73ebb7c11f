#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <ctime>
#include <random>
#include <string>

#include "orvex/operations.hpp"
#include "transfer/nextime.hpp"

using namespace orvex;

namespace {

// Independent calendar reference: days since 1970-01-01 of a civil date and back.
std::int64_t days_from_civil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t civil_year_of(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    return yoe + era * 400 + (m <= 2);
}

// Seconds since 1970 of a normalised YYYYDDD:HHMMSS (years below 1 included).
std::int64_t ref_seconds(int jdate, int jtime) {
    const std::int64_t year = jdate >= 0 ? jdate / 1000 : -((-static_cast<std::int64_t>(jdate) + 999) / 1000);
    const std::int64_t doy = jdate - 1000 * year;
    const std::int64_t days = days_from_civil(year, 1, 1) + doy - 1;
    return days * 86400 + 3600 * (jtime / 10000) + 60 * (jtime / 100 % 100) + jtime % 100;
}

// Normalised YYYYDDD:HHMMSS of seconds since 1970.
void ref_dttime(std::int64_t secs, int& jdate, int& jtime) {
    const std::int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    const std::int64_t sod = secs - 86400 * days;
    const std::int64_t year = civil_year_of(days);
    jdate = static_cast<int>(year * 1000 + days - days_from_civil(year, 1, 1) + 1);
    jtime = static_cast<int>(sod / 3600 * 10000 + sod / 60 % 60 * 100 + sod % 60);
}

std::int64_t ref_step_seconds(int step) {
    const std::int64_t a = step < 0 ? -static_cast<std::int64_t>(step) : step;
    const std::int64_t s = a / 10000 * 3600 + a / 100 % 100 * 60 + a % 100;
    return step < 0 ? -s : s;
}

int ref_year_length(std::int64_t y) { return days_from_civil(y + 1, 1, 1) - days_from_civil(y, 1, 1); }

// A random valid date of the given years and a random time of day.
void random_dttime(std::mt19937& rng, int ylo, int yhi, int& jdate, int& jtime) {
    const int year = std::uniform_int_distribution<int>(ylo, yhi)(rng);
    const int day = std::uniform_int_distribution<int>(1, ref_year_length(year))(rng);
    jdate = year * 1000 + day;
    const int sod = std::uniform_int_distribution<int>(0, 86399)(rng);
    jtime = sod / 3600 * 10000 + sod / 60 % 60 * 100 + sod % 60;
}

struct StepCase {
    int date, time, step, want_date, want_time;
};

TEST(Dates, NextimeSteps) {
    const StepCase cases[] = {
        {2020366, 120000, 240000, 2021001, 120000},
        {2021001, 0, -10000, 2020366, 230000},
        {2019365, 230000, 10000, 2020001, 0},
        {1900365, 0, 240000, 1901001, 0},      // 1900 is a common year
        {2000365, 0, 240000, 2000366, 0},      // 2000 is a leap year
        {2020001, 120000, -5901, 2020001, 110059},
        {2020001, 0, 8760000, 2020037, 120000},  // 876 hours
        {2020001, 0, 8784 * 10000, 2021001, 0},  // the whole leap year in hours
        {366, 0, 240000, 1001, 0},               // year 0 (leap) into year 1
        {-999, 0, -240000, -1635, 0},            // year -1 day 1 back to year -2 day 365
        {-1000, 0, 240000, -999, 0},             // year -1 day 0 is year -2's last day
    };
    for (const StepCase& c : cases) {
        int date = c.date;
        int time = c.time;
        NEXTIME(date, time, c.step);
        EXPECT_EQ(date, c.want_date) << c.date << ":" << c.time << " + " << c.step;
        EXPECT_EQ(time, c.want_time) << c.date << ":" << c.time << " + " << c.step;
    }
}

TEST(Dates, NextimeNormalisesWithStepZero) {
    const StepCase cases[] = {
        {2020001, 240000, 0, 2020002, 0},
        {2020400, 0, 0, 2021034, 0},
        {2020000, 0, 0, 2019365, 0},
        {2020001, 6060, 0, 2020001, 10100},     // minutes and seconds of 60 carry
        {2020002, -10000, 0, 2020001, 230000},  // a negative time lies before midnight
        {1000, 0, 0, 366, 0},                   // year 1 day 0 is the last day of year 0
        {2019900, 0, 0, 2021169, 0},            // several years crossed at once
    };
    for (const StepCase& c : cases) {
        int date = c.date;
        int time = c.time;
        NEXTIME(date, time, 0);
        EXPECT_EQ(date, c.want_date) << c.date << ":" << c.time;
        EXPECT_EQ(time, c.want_time) << c.date << ":" << c.time;
    }
}

TEST(Dates, SecondsAndEncodedDurations) {
    EXPECT_EQ(SEC2TIME(90000), 250000);
    EXPECT_EQ(SEC2TIME(-3661), -10101);
    EXPECT_EQ(SEC2TIME(0), 0);
    EXPECT_EQ(SEC2TIME(59), 59);
    EXPECT_EQ(SEC2TIME(773092800), 2147480000);  // 214748 hours
    EXPECT_EQ(TIME2SEC(-10101), -3661);
    EXPECT_EQ(TIME2SEC(250000), 90000);
    EXPECT_EQ(TIME2SEC(9999), 6039);  // 99 minutes 99 seconds
    EXPECT_EQ(TIME2SEC(INT_MIN), -773095008);
}

TEST(Dates, SecsdiffBothDirections) {
    EXPECT_EQ(SECSDIFF(2020365, 0, 2021001, 0), 172800);
    EXPECT_EQ(SECSDIFF(2021001, 0, 2020365, 0), -172800);
    EXPECT_EQ(SECSDIFF(2020001, 0, 2020001, 13000), 5400);
    EXPECT_EQ(SECSDIFF(1000, 0, 1001, 0), 86400);   // year 1 day 0 to day 1
    EXPECT_EQ(SECSDIFF(366, 0, 1001, 0), 86400);    // year 0's last day to year 1
    EXPECT_EQ(SECSDIFF(-999, 0, 1, 0), 365 * 86400);  // year -1 is a common year
}

TEST(Dates, SecsdiffMatchesDayCountReference) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 20000; ++i) {
        int adate = 0, atime = 0, zdate = 0, ztime = 0;
        random_dttime(rng, -400, 2400, adate, atime);
        const int ya = adate >= 0 ? adate / 1000 : -((-adate + 999) / 1000);
        random_dttime(rng, ya - 30, ya + 30, zdate, ztime);
        const std::int64_t want = ref_seconds(zdate, ztime) - ref_seconds(adate, atime);
        ASSERT_EQ(SECSDIFF(adate, atime, zdate, ztime), want) << adate << ":" << atime << " -> " << zdate << ":" << ztime;
    }
}

TEST(Dates, NextimeForwardThenBackReturnsToStart) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> steps(-INT_MAX, INT_MAX);
    std::uniform_int_distribution<int> small_steps(-2000000, 2000000);
    for (int i = 0; i < 20000; ++i) {
        int date0 = 0, time0 = 0;
        random_dttime(rng, -800, 2800, date0, time0);
        const int step = i % 2 ? steps(rng) : small_steps(rng);
        int date = date0;
        int time = time0;
        NEXTIME(date, time, step);
        int want_date = 0, want_time = 0;
        ref_dttime(ref_seconds(date0, time0) + ref_step_seconds(step), want_date, want_time);
        ASSERT_EQ(date, want_date) << date0 << ":" << time0 << " + " << step;
        ASSERT_EQ(time, want_time) << date0 << ":" << time0 << " + " << step;
        NEXTIME(date, time, -step);
        ASSERT_EQ(date, date0) << date0 << ":" << time0 << " + " << step << " - " << step;
        ASSERT_EQ(time, time0) << date0 << ":" << time0 << " + " << step << " - " << step;
    }
}

struct RecordCase {
    int date, time, step, want_rec, want_cdate, want_ctime;
};

TEST(Dates, CurrecFindsTheContainingStep) {
    const RecordCase cases[] = {
        {2020001, 13000, 10000, 2, 2020001, 10000},
        {2020001, 0, 10000, 1, 2020001, 0},
        {2020002, 0, 10000, 25, 2020002, 0},
        {2020001, 13000, -10000, 2, 2020001, 10000},
        {2019365, 230000, 10000, -1, -7, -7},  // before the start: outputs untouched
        {10000001, 0, 10000, -1, -7, -7},      // outside the date range
        {1999123, 45678, 0, 1, 2020001, 0},    // time-independent: the start
        // 80 years after the start: beyond both the 68-year second count and a 32-bit hour step
        {2030001, 0, 10000, 701281, 2030001, 0},
    };
    for (const RecordCase& c : cases) {
        const int sdate = c.date == 2030001 ? 1950001 : 2020001;
        int cdate = -7;
        int ctime = -7;
        EXPECT_EQ(CURREC(c.date, c.time, sdate, 0, c.step, cdate, ctime), c.want_rec) << c.date << ":" << c.time;
        EXPECT_EQ(cdate, c.want_cdate) << c.date << ":" << c.time;
        EXPECT_EQ(ctime, c.want_ctime) << c.date << ":" << c.time;
    }
}

TEST(Dates, Jstep3NumbersExactSteps) {
    const RecordCase cases[] = {
        {2020001, 30000, 10000, 4, 0, 0},
        {2020001, 30001, 10000, -1, 0, 0},
        {2020001, 240000, 10000, 25, 0, 0},
        {2020001, 30000, -10000, 4, 0, 0},
        {2020001, 30001, -10000, -1, 0, 0},
        {2020001, 240000, -10000, 25, 0, 0},
        {2019365, 0, 10000, -1, 0, 0},
        {1999123, 45678, 0, 1, 0, 0},
        {2020366, 0, 240000, 366, 0, 0},
    };
    for (const RecordCase& c : cases) {
        EXPECT_EQ(JSTEP3(c.date, c.time, 2020001, 0, c.step), c.want_rec) << c.date << ":" << c.time << " step " << c.step;
    }
}

struct TextCase {
    int value;
    const char* text;
};

TEST(Dates, MmddyyTexts) {
    const TextCase cases[] = {
        {2020001, "Jan. 1, 2020  "},   {2020060, "Feb. 29, 2020 "},  {2021060, "March 1, 2021 "},
        {2020366, "Dec. 31, 2020 "},   {2020091, "March 31, 2020"},  {2021273, "Sept. 30, 2021"},
        {2020000, "Jan. 0, 2020  "},   {85001, "Jan. 1, 0085  "},    {366, "Dec. 31, -000 "},
        {-999, "Jan. 1, -001  "},      {-998635, "Dec. 31, -999 "},  {9999365, "Dec. 31, 9999 "},
        {1999, "<DATE ERROR>  "},      {10000000, "<DATE ERROR>  "}, {2021366, "<DATE ERROR>  "},
        {-999001, "<DATE ERROR>  "},   {-1000000, "<DATE ERROR>  "}, {INT_MIN, "<DATE ERROR>  "},
        {INT_MAX, "<DATE ERROR>  "},
    };
    for (const TextCase& c : cases) EXPECT_EQ(MMDDYY(c.value), c.text) << c.value;
}

TEST(Dates, HhmmssTexts) {
    const TextCase cases[] = {
        {0, "0:00:00   "},          {123456, "12:34:56  "},    {1000000, "100:00:00 "},
        {99995959, "9999:59:59"},   {100000000, "<TIMERROR>"}, {6099, "0:60:99   "},
        {-10101, "-1:01:01  "},     {-9995959, "-999:59:59"},  {-10000000, "<TIMERROR>"},
        {INT_MAX, "<TIMERROR>"},    {INT_MIN, "<TIMERROR>"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(HHMMSS(c.value), c.text) << c.value;
}

TEST(Dates, Dt2strTexts) {
    EXPECT_EQ(DT2STR(2020001, 120000), "12:00:00  Jan. 1, 2020  ");
    EXPECT_EQ(DT2STR(2020001, 240000), "0:00:00   Jan. 2, 2020  ");
    EXPECT_EQ(DT2STR(2020001, 120000).substr(10), "Jan. 1, 2020  ");
    EXPECT_EQ(DT2STR(1000, -1), "23:59:59  Dec. 30, -000 ");  // year 1 day 0 is Dec. 31 of year 0
}

TEST(Dates, TextsKeepTheirWidthsForAnyInput) {
    const int values[] = {INT_MIN, INT_MIN + 1, -2147399999, -10000000, -999999, -1, 0,
                          1, 999, 1000, 235959, 9999999, 10000000, INT_MAX - 1, INT_MAX};
    for (int a : values) {
        EXPECT_EQ(MMDDYY(a).size(), 14u) << a;
        EXPECT_EQ(HHMMSS(a).size(), 10u) << a;
        for (int b : values) EXPECT_EQ(DT2STR(a, b).size(), 24u) << a << ":" << b;
    }
}

TEST(Dates, ClockReadingsAsDateAndTime) {
    struct Case {
        std::int64_t secs;
        int date, time;
    } const cases[] = {
        {0, 1970001, 0},       {86399, 1970001, 235959},      {-1, 1969365, 235959},
        {951782400, 2000060, 0}, {1700000000, 2023318, 221320}, {4102444800, 2100001, 0},
    };
    for (const Case& c : cases) {
        int date = 0, time = 0;
        detail::epoch_to_dttime(c.secs, date, time);
        EXPECT_EQ(date, c.date) << c.secs;
        EXPECT_EQ(time, c.time) << c.secs;
    }
}

TEST(Dates, GetdttimeReadsTheUtcClock) {
    const std::time_t before = std::time(nullptr);
    int date = 0, time = 0;
    GETDTTIME(date, time);
    const std::time_t after = std::time(nullptr);
    std::tm utc{};
    ASSERT_NE(gmtime_r(&before, &utc), nullptr);
    const int gm_date = (utc.tm_year + 1900) * 1000 + utc.tm_yday + 1;
    const int gm_time = utc.tm_hour * 10000 + utc.tm_min * 100 + utc.tm_sec;
    EXPECT_GE(ref_seconds(date, time), ref_seconds(gm_date, gm_time));
    EXPECT_LE(ref_seconds(date, time), static_cast<std::int64_t>(after) + 2);
    EXPECT_LE(ref_seconds(date, time) - ref_seconds(gm_date, gm_time), 2);
}

}  // namespace
