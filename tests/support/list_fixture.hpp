// Helpers of the file-set list tests: member files written through the layer,
// and children whose log goes to a file of their sandbox.
#pragma once

#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/filelist.hpp"
#include "tests/kit/kit.hpp"

namespace list_test {

using namespace orvex;
using namespace orvex::detail;
using namespace kit;

inline constexpr int DAILY = 240000;

// A member file of one real variable V1 on a grid of ncols x 2 cells: nrec
// records from sdate:stime by tstep, each record's values the day of the year
// of its date. Returns whether every step of the writing worked.
inline bool make_member(const std::string& lname, int sdate, int nrec, int tstep = DAILY, int stime = 0,
                        int ncols = 2) {
    const Desc d{.sdate = sdate,
                 .stime = stime,
                 .tstep = tstep,
                 .ncols = ncols,
                 .nrows = 2,
                 .nlays = 1,
                 .gdnam = "LISTGRID",
                 .vars = {Var("V1", "ppm", "a member variable")}};
    return write_steps(lname, d, FSNEW3, "LISTTEST", nrec, [&](int, int s, int, int) {
        int date = sdate, time = stime;
        for (int k = 0; k < s; ++k) NEXTIME(date, time, tstep);
        return date % 1000;
    });
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

// Runs body in a child of a fresh sandbox, with JAN_FILE, FEB_FILE, MAR_FILE
// naming jan.nc, feb.nc, mar.nc, the log in run.log, and `env` on top; its
// standard output holds only the transcript (unindented).
inline Outcome run_child(const Env& env, const std::function<void()>& body) {
    Sandbox box;
    Env all = {{"LOGFILE", "run.log"}, {"JAN_FILE", "jan.nc"}, {"FEB_FILE", "feb.nc"}, {"MAR_FILE", "mar.nc"}};
    all.insert(all.end(), env.begin(), env.end());
    Outcome r = box.run(all, body);
    r.out = unindented(r.out);
    return r;
}

// The three monthly members of 2020, daily steps.
inline bool make_months() {
    return make_member("JAN_FILE", 2020001, 31) && make_member("FEB_FILE", 2020032, 29) &&
           make_member("MAR_FILE", 2020061, 31);
}

}  // namespace list_test
