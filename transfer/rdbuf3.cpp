// RDBUF3: reads one variable or all variables of a buffered file at a date
// and time that the variable's window holds.
#include <algorithm>
#include <string>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "transfer/bufstore.hpp"

namespace orvex::detail {

namespace {

// Elements of one read: one layer, or all layers for layer -1.
long long read_count(const FileSlot& s, int layer) {
    return layer == -1 ? static_cast<long long>(s.laysz) * s.nlays : s.laysz;
}

bool read_one(int fid, int vid, int layer, int jdate, int jtime, void* buffer) {
    const FileSlot& s = slot(fid);
    const VarSlot& w = s.vars[static_cast<std::size_t>(vid - 1)];
    int half = 0;
    if (s.tstep == 0) {
        if (w.ldate != 0) return false;  // nothing written yet
        half = w.ilast;
    } else if (!empty_pair(w.ldate, w.ltime) && jdate == w.ldate && jtime == w.ltime) {
        half = w.ilast;
    } else if (!empty_pair(w.ndate, w.ntime) && jdate == w.ndate && jtime == w.ntime) {
        half = 1 - w.ilast;
    } else {
        QVWARN("READ3/RDBUF3", jdate, jtime, "Date and time not available in " + std::string(s.flist.trimmed()));
        return false;
    }
    switch (w.vtype) {
        case QVINT:
            return BUFGET3I(fid, vid, layer, s.nlays, s.laysz, half, static_cast<int*>(buffer));
        case QVDBLE:
            return BUFGET3D(fid, vid, layer, s.nlays, s.laysz, half, static_cast<double*>(buffer));
        default:
            return BUFGET3(fid, vid, layer, s.nlays, s.laysz, half, static_cast<float*>(buffer));
    }
}

}  // namespace

bool RDBUF3(int fid, int vid, int layer, int jdate, int jtime, void* buffer) {
    const FileSlot& s = slot(fid);
    if (vid != -1) {
        if (vid < 1 || vid > static_cast<int>(s.vars.size())) return false;
        return read_one(fid, vid, layer, jdate, jtime, buffer);
    }
    const int nvars = std::min(s.nvars, static_cast<int>(s.vars.size()));
    for (int v = 1; v <= nvars; ++v) {
        if (s.vars[static_cast<std::size_t>(v - 1)].vtype != QVREAL) {
            QVWARN("READ3/RDBUF3", jdate, jtime, "ALLVAR3 non-REAL types not supported");
            return false;
        }
    }
    const long long count = read_count(s, layer);
    auto* words = static_cast<float*>(buffer);
    for (int v = 1; v <= nvars; ++v)
        if (!read_one(fid, v, layer, jdate, jtime, words + (v - 1) * count)) return false;
    return true;
}

}  // namespace orvex::detail
