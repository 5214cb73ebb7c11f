// The table of text units and JUNIT, which hands out their numbers.
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "orvex/operations.hpp"
#include "support/exithook.hpp"
#include "support/format.hpp"
#include "support/units.hpp"

namespace orvex {

namespace detail {

namespace {

std::array<std::FILE*, LAST_UNIT - FIRST_UNIT + 1> units{};

bool in_range(int unit) { return unit >= FIRST_UNIT && unit <= LAST_UNIT; }

std::FILE*& entry(int unit) { return units[static_cast<std::size_t>(unit - FIRST_UNIT)]; }

int failure_code() { return errno != 0 ? errno : -1; }

}  // namespace

std::FILE* unit_stream(int unit) {
    if (unit == STDOUT_UNIT) return stdout;
    return in_range(unit) ? entry(unit) : nullptr;
}

bool unit_in_use(int unit) { return in_range(unit) && entry(unit) != nullptr; }

int open_unit(int unit, const std::string& path, const char* mode) {
    if (!in_range(unit)) return EBADF;
    if (entry(unit) != nullptr) return EBUSY;
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (f == nullptr) return failure_code();
    entry(unit) = f;
    return 0;
}

int close_unit(int unit) {
    if (!unit_in_use(unit)) return 0;
    std::FILE* f = entry(unit);
    entry(unit) = nullptr;
    errno = 0;
    return std::fclose(f) == 0 ? 0 : failure_code();
}

}  // namespace detail

int JUNIT() {
    using namespace detail;
    for (int unit = LAST_UNIT; unit >= FIRST_UNIT; --unit)
        if (!unit_in_use(unit)) return unit;
    std::fflush(nullptr);
    std::printf("\n\n\n *** ERROR ABORT IN ROUTINE JUNIT ***\n"
                "     NO MORE UNIT NUMBERS AVAILABLE FOR I/O\n"
                "     First POSIX-approved unit:%s\n"
                "     Last  POSIX-approved unit:%s\n\n\n",
                fmt_I(FIRST_UNIT, 4).c_str(), fmt_I(LAST_UNIT, 4).c_str());
    std::fflush(stdout);
    ExitNotice notice;
    notice.cause = ExitCause::NoUnit;
    notice.status = 2;
    detail::end_process(notice);
}

}  // namespace orvex
