// Helpers of the buffered-file tests: a buffered file set up in a table slot,
// and transcripts of a body run in a child whose log is standard output.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "tests/kit/kit.hpp"
#include "transfer/bufstore.hpp"

namespace buf_test {

using namespace orvex;
using namespace orvex::detail;
using namespace kit;

struct Shape {
    int ftype = GRDDED3;
    int tstep = 10000;
    int ncols = 3, nrows = 2, nlays = 1, nthik = 0;
    std::vector<int> vtypes = {QVREAL};
};

// Describes `shape` in FDESC3 (start 2020001:000000; variables V1, V2, ... in ppm).
inline void describe(const Shape& shape) {
    Desc d{.ftype = shape.ftype,
           .tstep = shape.tstep,
           .ncols = shape.ncols,
           .nrows = shape.nrows,
           .nlays = shape.nlays,
           .nthik = shape.nthik,
           .gdnam = "BUFGRID",
           .vars = {}};
    for (std::size_t v = 0; v < shape.vtypes.size(); ++v)
        d.vars.emplace_back("V" + std::to_string(v + 1), "ppm", "", shape.vtypes[v]);
    kit::describe(d);
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

// Everything `body` writes to standard output (the log included), run in a
// child with a fresh layer state; the child must end normally.
inline std::string transcript(const std::function<void()>& body) {
    const Sandbox box("buffered");
    const Outcome r = box.run({}, body);
    return r.status == 0 ? r.out : "child ended with " + std::to_string(r.status) + "\n" + r.out;
}

}  // namespace buf_test
