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
void QVMSG2(std::string_view message);
void QVMESG(std::string_view message);
// The first nmesg messages as log lines of one block; flushes once.
void QVPARAG(int nmesg, std::span<const std::string> msgs);
// Warning block headed ">>--->> WARNING in subroutine " + caller; returns.
void QVWARN(std::string_view caller, int jdate, int jtime, std::string_view msgtxt);
// fatal: QVEXIT(..., 2); otherwise QVWARN.
void QVERR(std::string_view caller, int jdate, int jtime, std::string_view msgtxt, bool fatal);
// Shuts the layer down, writes the closing block, closes text units 10..99 and exits.
[[noreturn]] void QVEXIT(std::string_view caller, int jdate, int jtime, std::string_view msgtxt, int exitstat);
// Reports a failed netCDF call on file fname in three log lines; fnum is unused.
void QVABORT(std::string_view fname, int fnum, int ierr, std::string_view message);
// Writes prompt, reads one line of standard input into answer (kept at its width).
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

bool ENVYN(std::string_view name, std::string_view desc, bool deflt, int& status);
int ENVINT(std::string_view name, std::string_view desc, int deflt, int& status);
float ENVREAL(std::string_view name, std::string_view desc, float deflt, int& status);
double ENVDBLE(std::string_view name, std::string_view desc, double deflt, int& status);
// The value (or deflt) cut or blank-padded to eqname's current size.
void ENVSTR(std::string_view name, std::string_view desc, std::string_view deflt, std::string& eqname, int& status);
// Value of the variable named by name up to its first blank, or name itself,
// cut or blank-padded to eqname's current size.
void NAMEVAL(std::string_view name, std::string& eqname);
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
int INDEXINT1(int key, int n, const int* list);
// Upper-cases the letters a..z in place.
void UPCASE(std::string& buffer);
void UPCASE(std::span<char> buffer);

// ---- Opening, describing and closing files -----------------------------------

bool OPEN3(std::string_view fname, int fstatus, std::string_view pgname);
// Slot of an open logical name, or 0 when it is not open.
int NAME2FID(std::string_view fname);
bool CKNAME(std::string_view name);
bool CKDESC3(std::string_view fname);
bool CHKFIL3(int fid);
bool CKFILE3(int fid);
bool DESC3(std::string_view fname);
bool CLOSE3(std::string_view fname);
bool SYNCFID(int fid);
bool SHUT3();

// ---- Reading and writing by time step -----------------------------------------

bool READ3(std::string_view fname, std::string_view vname, int layer, int jdate, int jtime, void* buffer);
bool WRITE3(std::string_view fname, std::string_view vname, int jdate, int jtime, const void* buffer);

}  // namespace orvex

// NUL-terminated entries.
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
