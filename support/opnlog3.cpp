// OPNLOG3: the log's report of a file just opened or created.
#include <netcdf.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "gridfile/filetypes.hpp"
#include "gridfile/layer.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"

namespace orvex {

using namespace detail;

namespace {

// Open-mode names by open status, clamped into 0..6.
constexpr std::array<std::string_view, 7> MODE_NAMES{
    "????????????????", "OLD:READ-ONLY   ", "OLD:READ-WRITE  ", "NEW(READ-WRITE )",
    "UNKNOWN(R-W)    ", "NEW(CREAT/TRUNC)", "????????????????"};

std::string_view mode_name(int fstatus) { return MODE_NAMES[static_cast<std::size_t>(std::clamp(fstatus, 0, 6))]; }

std::string access_text(const FileSlot& s) {
    const std::string_view text = s.volat ? (s.ronly ? "VOLATILE READONLY" : "VOLATILE READWRITE")
                                          : (s.ronly ? "READONLY" : "READWRITE");
    return std::string(Text<20>(text).view());
}

std::string quoted(std::string_view s) { return "\"" + std::string(trim_right(s)) + "\""; }

std::string start_line(const FileSlot& s) {
    return "Starting date and time" + fmt_I(s.sdate, 9) + ":" + fmt_Im(s.stime, 6, 6) + " (" +
           std::string(trim_right(DT2STR(s.sdate, s.stime))) + ")";
}

std::string dimensions_line(const FileSlot& s) {
    std::string line = "Dimensions: " + std::to_string(s.nrows) + " rows, " + std::to_string(s.ncols) + " cols, " +
                       std::to_string(s.nlays) + " lays, " + std::to_string(s.nvars) + " vbles";
    if (s.ftype == BNDARY3) line += ", " + std::to_string(s.nthik) + " cells thick";
    if (s.ftype == KFEVNT3)
        line += ", " + std::to_string(s.nthik) + " max recs/cell, " + std::to_string(s.mxrec) + " total recs";
    return line;
}

void time_lines(const FileSlot& s) {
    if (s.ftype == KFEVNT3) {
        log_line(start_line(s));
        log_line("Maximum current record number" + fmt_I(s.mxrec, 8));
    } else if (s.tstep == 0) {
        log_line("Time-independent data.");
    } else {
        log_line(start_line(s));
        // The magnitude of the step, kept in 64 bits so that INT_MIN has one.
        const long long step = std::llabs(static_cast<long long>(s.tstep));
        const std::string hms = step > 2147483647LL ? std::string("<TIMERROR>") : HHMMSS(static_cast<int>(step));
        log_line("Timestep                     " + fmt_Im(s.tstep, 11, 6) + " (" + std::string(trim_right(hms)) +
                 " hh:mm:ss)");
        log_line("Maximum current record number" + fmt_I(s.mxrec, 10));
    }
}

}  // namespace

void detail::OPNLOG3(int fid, std::string_view eqname, int fstatus) {
    const FileSlot& s = slot(fid);
    const StorageKind& kind = kind_of(fid);
    Text<MXDLEN3> execid;
    const int status = kind.exec_id(fid, execid);

    const std::string opened_as = quoted(s.flist.view()) + " opened as " + std::string(mode_name(fstatus));
    const std::string file_name = "File name " + quoted(eqname);
    const std::string file_type = "File type " + std::string(logged_type_name(s.ftype)) + " ";
    const std::string grid_name = "Grid name " + quoted(s.gdnam.view());
    if (status == NC_NOERR) {
        if (execid[0] == '\0') execid = CMISS3;
        log_line("");
        log_line_untrimmed(opened_as);
        log_line(file_name);
        log_line_untrimmed(file_type);
        log_line("Execution ID " + quoted(execid.view()));
        log_line(grid_name);
    } else {
        log_warning_block("OPNLOG3", {LogSeparator::empty, 2, 2, false},
                          {"Warning netCDF file header attribute EXEC_ID.",
                           kept_blanks("Not available for file:  " + s.flist.str()),
                           "netCDF error number" + fmt_I(status, 5)});
        log_line("");
        log_line_untrimmed(opened_as);
        log_line(file_name);
        log_line_untrimmed(file_type);
        log_line(grid_name);
    }
    log_line(dimensions_line(s));
    const std::string access = kind.access_line(fid, access_text(s));
    if (!access.empty()) log_line_untrimmed(access);
    time_lines(s);
    log_flush();
}

}  // namespace orvex
