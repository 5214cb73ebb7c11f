// Helpers of the buffered-file tests: a buffered file set up in a table slot,
// and transcripts of a body run in a child whose log is standard output.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/child_process.hpp"
#include "transfer/bufstore.hpp"

namespace buf_test {

using namespace orvex;
using namespace orvex::detail;

struct Shape {
    int ftype = GRDDED3;
    int tstep = 10000;
    int ncols = 3, nrows = 2, nlays = 1, nthik = 0;
    std::vector<int> vtypes = {QVREAL};
};

// Describes `shape` in FDESC3 (start 2020001:000000; variables V1, V2, ...).
inline void describe(const Shape& shape) {
    FDESC3 = Fdesc3{};
    FDESC3.FTYPE3D = shape.ftype;
    FDESC3.SDATE3D = 2020001;
    FDESC3.STIME3D = 0;
    FDESC3.TSTEP3D = shape.tstep;
    FDESC3.NCOLS3D = shape.ncols;
    FDESC3.NROWS3D = shape.nrows;
    FDESC3.NLAYS3D = shape.nlays;
    FDESC3.NTHIK3D = shape.nthik;
    FDESC3.NVARS3D = static_cast<int>(shape.vtypes.size());
    FDESC3.GDNAM3D = "BUFGRID";
    for (std::size_t v = 0; v < shape.vtypes.size(); ++v) {
        FDESC3.VNAME3D[v] = "V" + std::to_string(v + 1);
        FDESC3.UNITS3D[v] = "ppm";
        FDESC3.VTYPE3D[v] = shape.vtypes[v];
    }
}

// Takes the lowest free slot for logical name `name` and creates a buffered
// file of `shape` in it with CRTBUF3. Returns the slot, or minus the slot
// when the creation failed (the slot is then free again).
inline int make_buffered(const std::string& name, const Shape& shape) {
    describe(shape);
    int fid = 1;
    while (!slot(fid).is_free()) ++fid;
    slot(fid).flist = name;
    if (CRTBUF3(fid)) return fid;
    free_slot(fid);
    return -fid;
}

// Releases what make_buffered took.
inline void drop_buffered(int fid) {
    BUFDEL3(fid);
    free_slot(fid);
}

// n values base, base + 1, ...
inline std::vector<float> ramp(int n, float base) {
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = base + static_cast<float>(i);
    return v;
}

// Values as "[a b c]" with whole numbers.
inline std::string show(const std::vector<float>& v) {
    std::string s = "[";
    for (std::size_t i = 0; i < v.size(); ++i) s += (i ? " " : "") + std::to_string(static_cast<long>(v[i]));
    return s + "]";
}

// A line of the transcript on standard output, between the log lines.
inline void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Everything `body` writes to standard output (the log included), run in a
// child with a fresh layer state; the child must end normally.
inline std::string transcript(const std::function<void()>& body) {
    support_test::Sandbox box;
    const support_test::ChildResult r = box.run({}, body);
    return r.status == 0 ? r.out : "child ended with " + std::to_string(r.status) + "\n" + r.out;
}

// The warning block of QVWARN, as log lines.
inline std::string warning(const std::string& caller, const std::string& text, int jdate = 0, int jtime = 0) {
    std::string block = "     \n     >>--->> WARNING in subroutine " + caller + "\n     " +
                        std::string(trim_right(text)) + "\n";
    if (jdate > 0 || jtime > 0) {
        std::string dt = "QVWARN:  DTBUF " + DT2STR(jdate, jtime);
        while (!dt.empty() && dt.back() == ' ') dt.pop_back();
        block += "     " + dt + "\n";
    }
    return block + "     \n";
}

}  // namespace buf_test
