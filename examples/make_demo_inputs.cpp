// Writes the demo's three nested model files: a coarse outer grid and two finer
// nests, each with four hourly variables and some missing cells (-9.0).
//
//   make_demo_inputs DIR     writes DIR/outer.nc, DIR/nest12.nc, DIR/nest4.nc
//
// The files are created through the library under the logical names OUTER,
// NEST12 and NEST4, which the demo's dialogue lists in that order.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "orvex/orvex.hpp"

namespace {

struct Grid {
    const char* name;     // logical name
    const char* file;     // file name in the output directory
    const char* gdnam;    // grid name
    int ncols, nrows;
    double xorig, yorig;  // metres, south-west corner
    double cell;          // metres
    bool holes;           // mark a few missing cells
};

struct Variable {
    const char* name;
    const char* units;
    const char* desc;
    double base, amplitude;
};

constexpr Variable kVariables[] = {
    {"O3", "ppbV", "ozone mixing ratio", 40.0, 15.0},
    {"NO2", "ppbV", "nitrogen dioxide mixing ratio", 8.0, 6.0},
    {"CO", "ppbV", "carbon monoxide mixing ratio", 120.0, 40.0},
    {"PM25", "ug/m3", "fine particulate matter", 12.0, 7.0},
};
constexpr int kNvars = sizeof kVariables / sizeof kVariables[0];

constexpr int kStart = 2005032;  // 1 February 2005
constexpr int kStep = 10000;     // hourly
constexpr int kSteps = 3;

// A smooth field in projected coordinates, so the nests agree with the
// outer grid where they overlap but show their finer detail.
float field(const Variable& v, double x, double y, int step) {
    const double k = 2.0e-6;
    return static_cast<float>(v.base + v.amplitude * std::sin(k * x + 0.3 * step) * std::cos(1.3 * k * y) +
                              0.5 * v.amplitude * std::exp(-(x * x + y * y) / 4.0e10));
}

void describe(const Grid& g) {
    using namespace orvex;
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = kStart;
    FDESC3.STIME3D = 0;
    FDESC3.TSTEP3D = kStep;
    FDESC3.NCOLS3D = g.ncols;
    FDESC3.NROWS3D = g.nrows;
    FDESC3.NLAYS3D = 1;
    FDESC3.NTHIK3D = 1;
    FDESC3.NVARS3D = kNvars;
    FDESC3.GDTYP3D = 2;
    FDESC3.P_ALP3D = 33.0;
    FDESC3.P_BET3D = 45.0;
    FDESC3.P_GAM3D = -97.0;
    FDESC3.XCENT3D = -97.0;
    FDESC3.YCENT3D = 40.0;
    FDESC3.XORIG3D = g.xorig;
    FDESC3.YORIG3D = g.yorig;
    FDESC3.XCELL3D = g.cell;
    FDESC3.YCELL3D = g.cell;
    FDESC3.VGTYP3D = 2;
    FDESC3.VGTOP3D = 10000.0f;
    FDESC3.VGLVS3D[0] = 1.0f;
    FDESC3.VGLVS3D[1] = 0.995f;
    FDESC3.GDNAM3D = g.gdnam;
    for (auto& line : FDESC3.FDESC3D) line = "";
    FDESC3.FDESC3D[0] = "Demo model output for the pondra mosaic example";
    FDESC3.FDESC3D[1] = std::string("Grid ") + g.gdnam;
    for (int v = 0; v < kNvars; ++v) {
        FDESC3.VNAME3D[v] = kVariables[v].name;
        FDESC3.UNITS3D[v] = kVariables[v].units;
        FDESC3.VDESC3D[v] = kVariables[v].desc;
        FDESC3.VTYPE3D[v] = QVREAL;
    }
}

bool write_grid(const std::string& dir, const Grid& g) {
    using namespace orvex;
    const std::string path = dir + "/" + g.file;
    if (!SETENVVAR(g.name, path)) return false;
    describe(g);
    if (!OPEN3(g.name, FSCREA3, "MKDEMO")) return false;
    std::vector<float> values(static_cast<std::size_t>(g.ncols) * static_cast<std::size_t>(g.nrows));
    int jdate = kStart, jtime = 0;
    for (int step = 0; step < kSteps; ++step) {
        for (const Variable& v : kVariables) {
            for (int r = 0; r < g.nrows; ++r) {
                for (int c = 0; c < g.ncols; ++c) {
                    const double x = g.xorig + (c + 0.5) * g.cell;
                    const double y = g.yorig + (r + 0.5) * g.cell;
                    const bool hole = g.holes && ((c + 2 * r) % 17 == 0 || (c > g.ncols / 2 && r < 3));
                    values[static_cast<std::size_t>(r) * g.ncols + c] = hole ? -9.0f : field(v, x, y, step);
                }
            }
            if (!WRITE3(g.name, v.name, jdate, jtime, values.data())) return false;
        }
        NEXTIME(jdate, jtime, kStep);
    }
    return CLOSE3(g.name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_inputs DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    // Outer grid 36 km, a 12 km nest inside it and a 4 km nest inside that.
    const Grid grids[] = {
        {"OUTER", "outer.nc", "DEMO36", 60, 50, -1080000.0, -900000.0, 36000.0, false},
        {"NEST12", "nest12.nc", "DEMO12", 90, 75, -540000.0, -456000.0, 12000.0, true},
        {"NEST4", "nest4.nc", "DEMO04", 90, 90, -180000.0, -180000.0, 4000.0, true},
    };
    for (const Grid& g : grids) {
        if (!write_grid(dir, g)) {
            std::fprintf(stderr, "make_demo_inputs: could not write %s/%s (see the log)\n", dir.c_str(), g.file);
            return 2;
        }
        std::printf("wrote %s/%s  (%s, %d x %d cells of %.0f m)\n", dir.c_str(), g.file, g.gdnam, g.ncols, g.nrows,
                    g.cell);
    }
    orvex::SHUT3();
    return 0;
}
