// Helpers of the file-set list tests: member files written through the layer,
// and children whose log goes to a file of the sandbox.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/child_process.hpp"
#include "support/filelist.hpp"

namespace list_test {

using namespace orvex;
using namespace orvex::detail;
using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

inline constexpr int DAILY = 240000;

// A member file of one real variable V1 on a 2 x 2 grid: nrec records from
// sdate:stime by tstep, each record's values the day of the year of its date.
// Returns whether every step of the writing worked.
inline bool make_member(const std::string& lname, int sdate, int nrec, int tstep = DAILY, int stime = 0,
                        int ncols = 2) {
    FDESC3 = Fdesc3{};
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = sdate;
    FDESC3.STIME3D = stime;
    FDESC3.TSTEP3D = tstep;
    FDESC3.NCOLS3D = ncols;
    FDESC3.NROWS3D = 2;
    FDESC3.NLAYS3D = 1;
    FDESC3.NVARS3D = 1;
    FDESC3.GDTYP3D = 2;
    FDESC3.P_ALP3D = 30;
    FDESC3.P_BET3D = 60;
    FDESC3.P_GAM3D = -90;
    FDESC3.XCELL3D = FDESC3.YCELL3D = 12000;
    FDESC3.VGTYP3D = 2;
    FDESC3.VGLVS3D[0] = 1.0f;
    FDESC3.VGLVS3D[1] = 0.9f;
    FDESC3.GDNAM3D = "LISTGRID";
    FDESC3.VNAME3D[0] = "V1";
    FDESC3.UNITS3D[0] = "ppm";
    FDESC3.VDESC3D[0] = "a member variable";
    FDESC3.VTYPE3D[0] = QVREAL;
    if (!OPEN3(lname, FSNEW3, "LISTTEST")) return false;
    bool ok = true;
    int date = sdate, time = stime;
    for (int k = 0; k < nrec; ++k) {
        const std::vector<float> v(static_cast<std::size_t>(ncols * 2), static_cast<float>(date % 1000));
        ok = WRITE3(lname, "V1", date, time, v.data()) && ok;
        NEXTIME(date, time, tstep);
    }
    return CLOSE3(lname) && ok;
}

// A line of the child's standard output; the log goes to run.log.
inline void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Reads V1 of `name` at date:time and says what came back.
inline void read_at(const std::string& name, int date, int time = 0) {
    std::vector<float> v(4, -1.0f);
    const bool ok = READ3(name, "V1", ALLAYS3, date, time, v.data());
    say("read " + std::to_string(date) + " " + std::to_string(ok) + (ok ? " " + std::to_string(int(v[0])) : ""));
}

// The member table entries of the list open under `name`, as "slot:first-last ...".
inline std::string members_of(const std::string& name) {
    std::string s;
    for (const ListEntry& e : list_members(NAME2FID(name)))
        s += (s.empty() ? "" : " ") + std::to_string(e.fid) + ":" + std::to_string(e.beg) + "-" +
             std::to_string(e.end);
    return s;
}

// Open slots, by logical name in slot order.
inline std::string open_names() {
    std::string s;
    for (int f = 1; f <= MXFILE3; ++f)
        if (!slot(f).is_free()) s += (s.empty() ? "" : " ") + std::string(slot(f).flist.trimmed());
    return s;
}

struct ChildRun {
    std::string out;  // the child's standard output
    std::string log;  // its log
    int status;
};

// Runs body in a child of a fresh sandbox, with JAN_FILE, FEB_FILE, MAR_FILE
// naming jan.nc, feb.nc, mar.nc, the log in run.log, and `env` on top.
inline ChildRun run_child(const Env& env, const std::function<void()>& body) {
    support_test::Sandbox box;
    Env all = {{"LOGFILE", "run.log"}, {"JAN_FILE", "jan.nc"}, {"FEB_FILE", "feb.nc"}, {"MAR_FILE", "mar.nc"}};
    all.insert(all.end(), env.begin(), env.end());
    const support_test::ChildResult r = box.run(all, body);
    // The start-up block that goes to standard output beside the log file
    // consists of indented lines; the transcript lines are not indented.
    std::string out;
    for (const std::string& line : support_test::lines_of(r.out))
        if (line.rfind("     ", 0) != 0) out += line + "\n";
    return ChildRun{out, support_test::read_file(box.path("run.log")), r.status};
}

// The three monthly members of 2020, daily steps.
inline bool make_months() {
    return make_member("JAN_FILE", 2020001, 31) && make_member("FEB_FILE", 2020032, 29) &&
           make_member("MAR_FILE", 2020061, 31);
}

// QVWARN's block without date and time, as log text.
inline std::string warning(const std::string& caller, const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return "     \n     >>--->> WARNING in subroutine " + caller + "\n     " + t + "\n     \n";
}

}  // namespace list_test
