// INIT3: initialises the layer on first use (log, start-up block, scenario,
// execution identifier, empty file table, clock).
#include <netcdf.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "support/layerstate.hpp"
#include "orvex/operations.hpp"
#include "orvex/runtime.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"
#include "support/notice.hpp"
#include "support/units.hpp"

namespace orvex {

using namespace detail;

namespace {

// The start-up block, written to the log, and echoed to standard output when
// the log is a file.
void write_startup_block() {
    std::vector<std::string> block(NOTICE.begin(), NOTICE.end());
    block.emplace_back(LAYER_STATE.version.trimmed());
    const std::size_t mxvars_line = block.size();
    block.push_back("Version with PARMS3.EXT/PARAMETER::MXVARS3=" + fmt_I(MXVARS3, 5));
    block.push_back("netCDF version " + std::string(LAYER_STATE.ncversion.trimmed()));
    block.emplace_back();

    for (const std::string& line : block) log_line(line);
    if (LAYER_STATE.logstd) return;
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (i == mxvars_line) continue;
        stdout_text("     " + std::string(trim_right(block[i])) + "\n");
    }
    stdout_flush();
}

void scenario_warning(std::string_view text, int code, std::string_view path_field) {
    log_warning_block("INIT3", {LogSeparator::empty, 2, 2, false},
                      {std::string(text) + fmt_I(code, 3), kept_blanks("File: " + std::string(path_field))});
}

// Reads up to MXDESC3 lines of the scenario file into LAYER_STATE.scenario, each
// cut or blank-padded to MXDLEN3 characters.
void read_scenario() {
    std::string field(512, ' ');
    NAMEVAL("SCENFILE", field);
    const std::string path(trim_right(field));
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return;

    const int unit = JUNIT();
    const int status = open_unit(unit, path, "r");
    if (status != 0) {
        scenario_warning("Error opening scenario file.  Error number", status, field);
        close_unit(unit);
        return;
    }
    std::FILE* f = unit_stream(unit);
    std::string line;
    for (int n = 0; n < MXDESC3; ++n) {
        line.clear();
        errno = 0;
        int c = 0;
        while ((c = std::fgetc(f)) != EOF && c != '\n') line += static_cast<char>(c);
        if (std::ferror(f)) {
            scenario_warning("Error reading scenario file.  Error number", errno != 0 ? errno : -1, field);
            break;
        }
        if (c == EOF && line.empty()) break;  // end of file
        Text<MXDLEN3> text(line);
        std::memcpy(LAYER_STATE.scenario.data() + static_cast<std::ptrdiff_t>(n) * MXDLEN3, text.data(), MXDLEN3);
        if (c == EOF) break;
    }
    close_unit(unit);
}

void read_execution_id() {
    std::string field(MXDLEN3, ' ');
    NAMEVAL("EXECUTION_ID", field);
    if (same_padded(field, "EXECUTION_ID")) {
        LAYER_STATE.execid = CMISS3;
        log_line("Missing environment variable EXECUTION_ID");
    } else {
        LAYER_STATE.execid = field;
        // The heading keeps its blank even when the identifier is empty.
        log_line_untrimmed("EXECUTION_ID: " + std::string(LAYER_STATE.execid.trimmed()));
    }
}

}  // namespace

int INIT3() {
    if (LAYER_STATE.finit) return LAYER_STATE.logdev;

    LAYER_STATE.logdev = INITLOG3("INIT3");
    // netCDF's version-2 interface: report errors, never end the process.
    ncopts = NC_VERBOSE;
    LAYER_STATE.version = VERSION_TEXT;
    LAYER_STATE.ncversion = netcdf_version();

    write_startup_block();
    log_line("");
    read_scenario();
    read_execution_id();

    reset_table();
    GETDTTIME(LAYER_STATE.curdate, LAYER_STATE.curtime);
    if (STATE3.count < 0) {
        log_empty_line();
        log_line("INIT3() called subsequent to SHUT3()");
        log_empty_line();
    }
    log_flush();
    LAYER_STATE.finit = true;
    STATE3.count = 0;
    return LAYER_STATE.logdev;
}

}  // namespace orvex
