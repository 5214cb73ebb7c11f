// Descriptions of the files the tests create: every setting of one in a
// record (Desc) that describe() puts into FDESC3, the named descriptions the
// test folders share, a writer of time steps, and a field-by-field comparison.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "orvex/parms3.hpp"

namespace kit {

struct Var {
    Var(std::string n, int type = orvex::QVREAL) : name(n), vtype(type), units("units"), desc("test variable " + n) {}
    Var(std::string n, std::string u, std::string d, int type = orvex::QVREAL)
        : name(std::move(n)), vtype(type), units(std::move(u)), desc(std::move(d)) {}
    std::string name;
    int vtype;
    std::string units, desc;
    std::vector<std::pair<std::string, float>> atts;  // extra attributes of a grid-attribute file
};

// A file description; the defaults are a sound gridded file of one real
// variable, hourly from 2020001:000000.
struct Desc {
    int ftype = orvex::GRDDED3;
    int sdate = 2020001, stime = 0, tstep = 10000;
    int ncols = 4, nrows = 3, nlays = 2, nthik = 0;
    int gdtyp = 2;
    double p_alp = 30.0, p_bet = 60.0, p_gam = -90.0, xcent = -90.0, ycent = 40.0;
    double xorig = -100000.0, yorig = -50000.0, xcell = 12000.0, ycell = 12000.0;
    int vgtyp = 2;
    float vgtop = 10000.0f;
    std::vector<float> levels{};  // layer surfaces; empty: 1 - 0.1 k for k = 0 .. nlays
    std::string gdnam = "TESTGRID";
    std::vector<std::string> lines{"A test file"};  // the description, from its first line
    std::string upnam{}, execn{};
    std::vector<std::string> history{};  // the update description, from its first line
    std::vector<Var> vars{Var("O3")};
};

// Fills FDESC3 (and FDATT3) from d; every other field is cleared.
inline void describe(const Desc& d) {
    using namespace orvex;
    Fdesc3& f = FDESC3;
    f = Fdesc3{};
    f.FTYPE3D = d.ftype;
    f.SDATE3D = d.sdate;
    f.STIME3D = d.stime;
    f.TSTEP3D = d.tstep;
    f.NCOLS3D = d.ncols;
    f.NROWS3D = d.nrows;
    f.NLAYS3D = d.nlays;
    f.NTHIK3D = d.nthik;
    f.GDTYP3D = d.gdtyp;
    f.P_ALP3D = d.p_alp;
    f.P_BET3D = d.p_bet;
    f.P_GAM3D = d.p_gam;
    f.XCENT3D = d.xcent;
    f.YCENT3D = d.ycent;
    f.XORIG3D = d.xorig;
    f.YORIG3D = d.yorig;
    f.XCELL3D = d.xcell;
    f.YCELL3D = d.ycell;
    f.VGTYP3D = d.vgtyp;
    f.VGTOP3D = d.vgtop;
    if (d.levels.empty())
        for (int k = 0; k <= d.nlays && k <= MXLAYS3; ++k) f.VGLVS3D[static_cast<std::size_t>(k)] = 1.0f - 0.1f * k;
    for (std::size_t k = 0; k < d.levels.size(); ++k) f.VGLVS3D[k] = d.levels[k];
    f.GDNAM3D = d.gdnam;
    f.UPNAM3D = d.upnam;
    f.EXECN3D = d.execn;
    for (std::size_t l = 0; l < d.lines.size(); ++l) f.FDESC3D[l] = d.lines[l];
    for (std::size_t l = 0; l < d.history.size(); ++l) f.UPDSC3D[l] = d.history[l];
    f.NVARS3D = static_cast<int>(d.vars.size());
    for (std::size_t v = 0; v < d.vars.size(); ++v) {
        const Var& var = d.vars[v];
        f.VNAME3D[v] = var.name;
        f.UNITS3D[v] = var.units;
        f.VDESC3D[v] = var.desc;
        f.VTYPE3D[v] = var.vtype;
        FDATT3.NATTS3D[v] = static_cast<int>(var.atts.size());
        for (std::size_t a = 0; a < var.atts.size(); ++a) {
            FDATT3.ATTNAM3D[v][a] = var.atts[a].first;
            FDATT3.ATTVAL3D[v][a] = var.atts[a].second;
        }
    }
}

// A small file of the given type, valid under the header checks: 4 columns,
// 3 rows, 2 layers, hourly from 2020001:000000, variables O3, NO2, AIR_LAT,
// ... of the three types in turn (its values stand in the expected headers
// of the file-layer tests).
Desc sample(int ftype, int nvars = 2);

// A gridded description of which every field differs from the others and
// from the defaults, down to the history and the last description line.
Desc binary_sample(int nvars = 3);

// Value of variable var (0-based) at step, column and row (0-based).
using Values = std::function<double(int var, int step, int col, int row)>;

// Creates lname from d with OPEN3 (status fstatus, program pgname), writes
// nsteps time steps of every variable from the start (a gridded or custom
// layout), variable skip left out of the first, and closes it. Whether every
// step worked.
bool write_steps(const std::string& lname, const Desc& d, int fstatus, const std::string& pgname, int nsteps,
                 const Values& value, int skip = -1);

// The parts of a description that expect_same_description compares beyond
// the type, the step, the counts, the grid, the surfaces, the grid name, the
// description and the variables.
enum Parts : unsigned {
    START = 1,    // starting date and time
    TOP = 2,      // the vertical grid's top
    HISTORY = 4,  // program, execution and update description
};
void expect_same_description(const orvex::Fdesc3& want, const orvex::Fdesc3& got, unsigned parts);

}  // namespace kit
