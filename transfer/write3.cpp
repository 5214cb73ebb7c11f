// WRITE3: one variable or all variables at one date and time, with their time flags.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "gridfile/dictionary.hpp"
#include "gridfile/filetypes.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "transfer/records.hpp"
#include "transfer/transfer.hpp"

namespace orvex {

using namespace detail;

namespace {

// Type names of the write-by-variable refusal: those of the log, except
// that the event file is shown as UNKNOWN too.
std::string_view type_name(int ftype) { return ftype == KFEVNT3 ? "UNKNOWN" : logged_type_name(ftype); }

std::string stamp(int jdate, int jtime) { return fmt_Im(jdate, 9, 7) + ":" + fmt_Im(jtime, 6, 6); }

// WRITE3 once its file is known.
bool write3(int fid, std::string_view fname, std::string_view vname, int jdate, int jtime, const void* buffer) {
    bool valid = true;
    // ORVEX_LOG_WRITE, read on the first call that finds its file open.
    if (LAYER_STATE.log_writes < 0) {
        int status = 0;
        LAYER_STATE.log_writes = ENVYN("ORVEX_LOG_WRITE", "Log write operations or not", true, status) ? 1 : 0;
        if (status > 0) {
            QVMSG2("Bad environment vble \"ORVEX_LOG_WRITE\"");
            valid = false;
        }
    }

    const std::size_t vlen = trim_right(vname).size();
    if (vlen > static_cast<std::size_t>(NAMLEN3)) {
        QVWARN("WRITE3", jdate, jtime, file_variable_line(fname, vname));
        QVMSG2("Max vble name length 16; actual:" + fmt_I(static_cast<long long>(vlen), 10));
        valid = false;
    }

    FileSlot& s = slot(fid);
    if (s.ronly) {
        QVMSG2("File:  " + std::string(fname) + " IS READ-ONLY.");
        valid = false;
    }
    if (!valid) {
        QVWARN("WRITE3", jdate, jtime,
               "Invalid arguments: file=\"" + std::string(fname) + "\" or variable=\"" + std::string(vname) + "\"");
        return false;
    }

    const std::string file(trim_right(fname));
    const std::string var(trim_right(vname));
    if (s.volat && !SYNCFID(fid)) {
        QVWARN("WRITE3", jdate, jtime, "Error with disk synch for file:  " + file);
        return false;
    }

    if (s.ftype == DCTNRY3) return WRDICT3(fid, vname);

    const FileType* type = record_type(s.ftype);
    int vid = ALLVARS;
    if (!same_padded(vname, ALLVAR3)) {
        if (type == nullptr || !type->records.by_variable) {
            QVWARN("WRITE3", jdate, jtime,
                   "File " + std::string(fname) + " of type " + std::string(type_name(s.ftype)) +
                       " WRITE BY VARIABLE not supported.");
            return false;
        }
        vid = find_variable(s, vname);
        if (vid == 0) {
            QVWARN("WRITE3", jdate, jtime,
                   "Variable " + std::string(vname) + " not in file:  " + std::string(fname));
            return false;
        }
    }

    const int r = JSTEP3(jdate, jtime, s.sdate, s.stime, std::abs(s.tstep));
    if (r < 0) {
        QVMSG2("Requested date & time:" + fmt_I(jdate, 9) + ":" + fmt_Im(jtime, 6, 6));
        QVMSG2("File starting date & time:" + fmt_I(s.sdate, 9) + ":" + fmt_Im(s.stime, 6, 6) +
               "  time step:" + fmt_Im(s.tstep, 10, 6));
        QVWARN("WRITE3", jdate, jtime, "Time step error writing file:  " + std::string(fname));
        return false;
    }
    const int step = record_slot(r, s.tstep);

    // Every type a buffered file can hold has a record layout.
    if (type == nullptr) {
        QVWARN("WRITE3", jdate, jtime, "File:  " + file + " of unknown type:" + fmt_I(s.ftype, 5));
        return false;
    }
    const bool ok = kind_of(fid).write(fid, vid, jdate, jtime, step, buffer);

    const bool stepped = s.tstep != 0;
    if (ok) {
        s.mxrec = std::max(s.mxrec, r);
        if (LAYER_STATE.log_writes != 0) {
            std::string line;
            if (vid != ALLVARS) line = var + " written to " + file + (stepped ? " for " + stamp(jdate, jtime) : "");
            else if (stepped) line = "Timestep written to " + file + " for date and time " + stamp(jdate, jtime);
            else line = "Record written to " + file;
            QVMSG2(line);
        }
    } else {
        QVWARN("WRITE3", jdate, jtime,
               "Error writing \"" + var + "\" to \"" + file + "\"" + (stepped ? " for" + stamp(jdate, jtime) : ""));
    }
    return ok;
}

}  // namespace

bool WRITE3(std::string_view fname, std::string_view vname, int jdate, int jtime, const void* buffer) {
    const int fid = NAME2FID(fname);
    if (fid < 1 || fid > MXFILE3) {
        QVWARN("WRITE3", jdate, jtime, "Invalid file.  FNAME=\"" + std::string(fname));
        return false;
    }
    return kind_of(fid).settle(fid, write3(fid, fname, vname, jdate, jtime, buffer));
}

namespace detail {

// The records path: the file type's record layout writes data and flags.
bool StorageKind::write(int fid, int vid, int jdate, int jtime, int step, const void* buffer) const {
    return write_record(fid, vid, expected_flag(jdate, jtime, slot(fid).tstep), step, buffer);
}

}  // namespace detail
}  // namespace orvex
