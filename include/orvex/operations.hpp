// The operations of the gridded-file layer.
//
// Text arguments are blank-padded fields taken at the caller's width: trailing
// blanks never change what is looked up. Logical results are true on success;
// every failure is reported in the log where it happens.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "orvex/text.hpp"

namespace orvex {

// ---- Dates, times and time steps (YYYYDDD, HHMMSS, signed steps) ----------

// Adds a signed step (HHMMSS, hours unlimited) to jdate:jtime and normalises.
void NEXTIME(int& jdate, int& jtime, int tstep);
// Seconds as a signed HHMMSS duration, hours unlimited (90000 s -> 250000).
int SEC2TIME(int secs);
// Signed HHMMSS duration as seconds.
int TIME2SEC(int time);
// Seconds from adate:atime to zdate:ztime (positive when Z is later).
int SECSDIFF(int adate, int atime, int zdate, int ztime);
// 1-based record of the step containing jdate:jtime, or -1; cdate:ctime get that step's start.
int CURREC(int jdate, int jtime, int sdate, int stime, int tstep, int& cdate, int& ctime);
// 1-based record when jdate:jtime falls exactly on a step, else -1 (step 0: always 1).
int JSTEP3(int jdate, int jtime, int sdate, int stime, int tstep);
// "Jan. 1, 2020" padded to 14 characters, or "<DATE ERROR>  ".
std::string MMDDYY(int jdate);
// "12:34:56" padded to 10 characters, or "<TIMERROR>".
std::string HHMMSS(int jtime);
// HHMMSS text followed by MMDDYY text of the normalised pair: 24 characters.
std::string DT2STR(int jdate, int jtime);
// Current wall-clock date and time (UTC).
void GETDTTIME(int& jdate, int& jtime);

// ---- Messages and program exit ---------------------------------------------

// One log line: five blanks and the message without trailing blanks; flushes.
// Opens the log first when nothing has opened it yet.
void QVMSG2(std::string_view message);
// The same line as QVMSG2.
void QVMESG(std::string_view message);
// The first nmesg messages as log lines of one block; flushes once.
void QVPARAG(int nmesg, std::span<const std::string> msgs);
// Warning block headed ">>--->> WARNING in subroutine " + caller; returns.
void QVWARN(std::string_view caller, int jdate, int jtime, std::string_view msgtxt);
// fatal: QVEXIT(..., 2); otherwise QVWARN.
void QVERR(std::string_view caller, int jdate, int jtime, std::string_view msgtxt, bool fatal);
// Shuts the layer down (SHUT3), writes the closing block (normal completion for
// exitstat 0, error abort otherwise), closes text units 10..99 and exits with exitstat.
[[noreturn]] void QVEXIT(std::string_view caller, int jdate, int jtime, std::string_view msgtxt, int exitstat);
// Reports a failed netCDF call on file fname in three log lines; fnum is unused.
void QVABORT(std::string_view fname, int fnum, int ierr, std::string_view message);
// Writes prompt, reads one line of standard input into answer (kept at its width).
// istat 0: a line was read; positive: the read failed, answer holds what was read.
// End of input ends the run with status 1.
void QVPROMPT(std::string_view prompt, std::string& answer, int& istat);
// Flushes text unit idev (6: standard output).
void QVFLUSH(int idev);

// ---- Initialisation and log ------------------------------------------------

// Initialises the layer on first use (log, start-up block, scenario, execution id).
int INIT3();
// Returns the log unit, opening the log first; caller names the failure message.
int INITLOG3(std::string_view caller);
// Highest free text unit number from 99 down to 10.
int JUNIT();

// ---- Environment and text helpers -------------------------------------------
//
// The typed readers look up the variable named by `name` (up to its first white
// space), write one report of the value taken to the log, and set `status`:
// 0 value understood, -1 defined but empty, -2 not defined, 1 not understood
// (a warning is logged). In every case but 0 the result is the default.
// `desc` documents the variable at the call site and is not used.

// Yes/no: the first letter (or the second after a leading '.'), T/Y true, F/N false.
bool ENVYN(std::string_view name, std::string_view desc, bool deflt, int& status);
// Decimal integer, as strtol reads it; anything after the digits is ignored.
int ENVINT(std::string_view name, std::string_view desc, int deflt, int& status);
// Real number, as strtod reads it, kept in 32 bits.
float ENVREAL(std::string_view name, std::string_view desc, float deflt, int& status);
// Real number, as strtod reads it.
double ENVDBLE(std::string_view name, std::string_view desc, double deflt, int& status);
// Text: the value (or deflt) cut or blank-padded to eqname's current size.
void ENVSTR(std::string_view name, std::string_view desc, std::string_view deflt, std::string& eqname, int& status);
// Value of the variable named by name up to its first blank, or name itself when
// it is not set, cut or blank-padded to eqname's current size. Logs nothing.
void NAMEVAL(std::string_view name, std::string& eqname);
// Sets lname=value (both without trailing blanks) in the process environment;
// false when the environment refused it or the name is empty or holds '='.
bool SETENVVAR(std::string_view lname, std::string_view value);
// Removes the file at fname (up to its first white space): 0, or -1 with a warning.
int RMFILE(std::string_view fname);
// Position of the last non-blank character; 1 for an all-blank or empty field.
int TRIMLEN(std::string_view s);
// Number of leading blanks and tabs.
int LBLANK(std::string_view s);
// 1-based position of the first of list[0..n-1] equal to name under blank padding; 0 if none.
template <class T>
int INDEX1(std::string_view name, int n, const T* list) {
    for (int i = 0; i < n; ++i)
        if (same_padded(name, std::string_view(list[i]))) return i + 1;
    return 0;
}
// 1-based position of the first of list[0..n-1] equal to key; 0 if none.
int INDEXINT1(int key, int n, const int* list);
// Upper-cases the letters a..z in place; every other character stays.
void UPCASE(std::string& buffer);
void UPCASE(std::span<char> buffer);

// ---- Opening, describing and closing files -----------------------------------
//
// Files are named by logical names of at most 16 characters; the environment
// variable of that name holds the path ("path -v" volatile, "BUFFERED",
// "LIST:A,B", "BIN:path"). The first call that looks a name up initialises the layer.

// Opens or creates the file fname with status FSRDONLY3 .. FSCREA3; a created
// file takes its description from FDESC3 (and FDATT3 for GRDATT3). pgname (16
// characters) is recorded as the file's last writer. False on any refusal, with
// an open file of that name left as it was.
bool OPEN3(std::string_view fname, int fstatus, std::string_view pgname);
// Slot (1..MXFILE3) of an open logical name, or 0 when it is not open.
int NAME2FID(std::string_view fname);
// Whether name is a legal variable name: a letter or one of $_#@- first, then
// those or digits, no blanks.
bool CKNAME(std::string_view name);
// Whether FDESC3 may describe a new file (strict rules only with ORVEX_CHECK_HEADERS).
bool CKDESC3(std::string_view fname);
// Whether FDESC3 agrees with the open file in slot fid; each difference is logged.
bool CHKFIL3(int fid);
// Whether the header just read into slot fid is sound (only with ORVEX_CHECK_HEADERS).
bool CKFILE3(int fid);
// Fills FDESC3 (and FDATT3 for GRDATT3 files) with the description of the open file fname.
bool DESC3(std::string_view fname);
// Closes fname and frees its slot; false (file left open) when closing fails.
bool CLOSE3(std::string_view fname);
// Forces the data and header of the file in slot fid to disk.
bool SYNCFID(int fid);
// Closes every open file and returns the layer to its uninitialised state;
// false when some file could not be closed.
bool SHUT3();

// ---- Reading and writing by time step -----------------------------------------
//
// Buffers are one block of 4-byte words: column fastest, then row, then layer,
// then variable; a double takes two words; the index part of id-data, profile,
// grid-nest and sparse-matrix records comes first. vname "ALL" (ALLVAR3) means
// every variable; for a dictionary file vname is the entry name.

// Reads variable vname (or all), layer 1..NLAYS or ALLAYS3, at jdate:jtime into
// buffer; false when the step was not written or the arguments do not fit the file.
bool READ3(std::string_view fname, std::string_view vname, int layer, int jdate, int jtime, void* buffer);
// Writes variable vname (or all), all layers, at jdate:jtime from buffer, with
// its time flag; extends the time axis as needed.
bool WRITE3(std::string_view fname, std::string_view vname, int jdate, int jtime, const void* buffer);

}  // namespace orvex

// NUL-terminated entries for C callers: the same operations, strings measured
// with strlen. The typed readers' C forms return the value and set *status;
// envstrc writes at most width - 1 characters and a NUL into value.
extern "C" {
void qverrc(const char* caller, int jdate, int jtime, const char* msgtxt, int fatal);
void qvmesgc(const char* msgtxt);
void qvwarnc(const char* caller, int jdate, int jtime, const char* msgtxt);
int envync(const char* name, const char* desc, int deflt, int* status);
int envintc(const char* name, const char* desc, int deflt, int* status);
float envrealc(const char* name, const char* desc, int* status, float deflt);
double envdblec(const char* name, const char* desc, int* status, double deflt);
void envstrc(const char* name, const char* desc, const char* deflt, char* value, int* status, int width);
}
