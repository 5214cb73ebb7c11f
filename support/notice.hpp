// The notice at the head of every log: 17 lines of at most 64 characters,
// ending with the release tag.
#pragma once

#include <array>
#include <string_view>

namespace orvex::detail {

inline constexpr std::array<std::string_view, 17> NOTICE = {
    "",
    "orvex: gridded, time-stepped model data in netCDF files",
    "",
    "This library creates, reads and writes self-describing netCDF",
    "datasets that hold gridded fields along a time axis. It binds",
    "logical file names to paths through the environment and keeps",
    "a log of every file it opens, creates, reads and writes.",
    "",
    "It is configured by environment variables: LOGFILE names the",
    "log file, SCENFILE a scenario description and EXECUTION_ID",
    "the identifier of the run.",
    "",
    "The library comes as it is, without warranty of any kind; its",
    "users answer for the results they derive with it.",
    "",
    "",
    "Release tag: orvex-3.1",
};

}  // namespace orvex::detail
