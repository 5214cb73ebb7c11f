// The layer-wide state of a run: whether the layer is initialised, the log,
// the run's identity and the settings read once. Owned by support/ (INIT3 sets
// it up, the log writer and QVEXIT use it); the file table (gridfile/state3.hpp)
// keeps only the slots, COUNT3 and the list-member table.
#pragma once

#include <array>
#include <string_view>

#include "orvex/parms3.hpp"
#include "orvex/text.hpp"

namespace orvex::detail {

// The layer's version line, written into every file it creates.
inline constexpr std::string_view RELEASE = "3.1";
inline constexpr std::string_view VERSION_TEXT = "$Id: @(#) orvex library version 3.1 $";
static_assert(VERSION_TEXT.find(RELEASE) != std::string_view::npos);

struct LayerState {
    bool finit = false;            // FINIT3
    int curdate = 0, curtime = 0;  // wall clock at initialisation
    int logdev = IMISS3;           // LOGDEV
    bool logstd = false;           // the log is standard output
    Text<MXDLEN3> version;         // VERSION_TEXT, blank-padded
    Text<MXDLEN3> ncversion;       // netCDF's own version text
    Text<MXDLEN3> execid;          // execution identifier
    std::array<char, MXDESC3 * MXDLEN3> scenario{};  // 60 lines of 80; zero bytes until read

    // Settings read on first use and kept for the rest of the process (-1: not
    // read yet): ORVEX_CHECK_HEADERS for CKDESC3 and for CKFILE3, the creation
    // mode from ORVEX_OFFSET_64 and ORVEX_NETCDF4 (with the deflate level of
    // netCDF-4 files from ORVEX_DEFLATE), ORVEX_LOG_WRITE.
    int checks_ckdesc3 = -1;
    int checks_ckfile3 = -1;
    int create_mode = -1;
    bool offset64 = false;         // ORVEX_OFFSET_64 as read with the creation mode (files of other formats keep it)
    int deflate_level = 4;
    int log_writes = -1;
};

extern LayerState LAYER_STATE;

}  // namespace orvex::detail
