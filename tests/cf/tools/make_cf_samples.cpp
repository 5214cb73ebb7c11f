// Writes the files that the CF checks with the everyday tools copy:
//   hourly36.nc   36 hourly steps across a leap day on the Lambert conformal
//                 grid of pondra's outputs, with -9.0 holes, AMISS3 values and
//                 a real, a double and an integer variable;
//   gridN.nc      one step on grid type N (1, 2, 6, 7, 9, 10), and
//                 grid2moved.nc, whose XCENT is off the central meridian.
//   make_cf_samples DIR
#include <cstdio>
#include <string>
#include <vector>

#include "orvex/orvex.hpp"

namespace {

using namespace orvex;

struct Grid {
    const char* file;
    int gdtyp;
    double alp, bet, gam, xcent, ycent, xorig, yorig, cell;
};

void describe(const Grid& g, int ncols, int nrows, int sdate, int stime) {
    FDESC3 = Fdesc3{};
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = sdate;
    FDESC3.STIME3D = stime;
    FDESC3.TSTEP3D = 10000;
    FDESC3.NCOLS3D = ncols;
    FDESC3.NROWS3D = nrows;
    FDESC3.NLAYS3D = 2;
    FDESC3.GDTYP3D = g.gdtyp;
    FDESC3.P_ALP3D = g.alp;
    FDESC3.P_BET3D = g.bet;
    FDESC3.P_GAM3D = g.gam;
    FDESC3.XCENT3D = g.xcent;
    FDESC3.YCENT3D = g.ycent;
    FDESC3.XORIG3D = g.xorig;
    FDESC3.YORIG3D = g.yorig;
    FDESC3.XCELL3D = FDESC3.YCELL3D = g.cell;
    FDESC3.VGTYP3D = 2;
    FDESC3.VGTOP3D = 10000.0f;
    FDESC3.VGLVS3D[0] = 1.0f;
    FDESC3.VGLVS3D[1] = 0.9f;
    FDESC3.VGLVS3D[2] = 0.7f;
    FDESC3.GDNAM3D = "CFSAMPLE";
    FDESC3.FDESC3D[0] = std::string("CF sample ") + g.file;
    const char* names[] = {"O3", "NOX", "CNT"};
    const int types[] = {QVREAL, QVDBLE, QVINT};
    FDESC3.NVARS3D = 3;
    for (int v = 0; v < 3; ++v) {
        FDESC3.VNAME3D[v] = names[v];
        FDESC3.UNITS3D[v] = "ppb";
        FDESC3.VDESC3D[v] = std::string("sample variable ") + names[v];
        FDESC3.VTYPE3D[v] = types[v];
    }
}

// Value of a cell: a -9.0 hole in the first column, AMISS3 in the last cell.
double value(int step, int lay, int col, int row, int ncols, int nrows) {
    if (col == 0) return -9.0;
    if (col == ncols - 1 && row == nrows - 1) return AMISS3;
    return 10.0 * step + lay + 0.01 * col + 0.1 * row;
}

bool write(const std::string& dir, const Grid& g, int ncols, int nrows, int steps, int sdate, int stime) {
    const std::string lname = "CFSAMPLE";
    if (!SETENVVAR(lname, dir + "/" + g.file)) return false;
    describe(g, ncols, nrows, sdate, stime);
    if (!OPEN3(lname, FSCREA3, "make_cf_samples")) return false;
    int date = sdate, time = stime;
    const std::size_t n = static_cast<std::size_t>(2 * ncols * nrows);
    std::vector<float> reals(n);
    std::vector<double> doubles(n);
    std::vector<int> ints(n);
    for (int s = 0; s < steps; ++s) {
        std::size_t i = 0;
        for (int l = 0; l < 2; ++l)
            for (int r = 0; r < nrows; ++r)
                for (int c = 0; c < ncols; ++c, ++i) {
                    const double v = value(s, l, c, r, ncols, nrows);
                    reals[i] = static_cast<float>(v);
                    doubles[i] = v <= AMISS3 ? DMISS3 : v;
                    ints[i] = v <= AMISS3 ? IMISS3 : static_cast<int>(v);
                }
        if (!WRITE3(lname, "O3", date, time, reals.data()) || !WRITE3(lname, "NOX", date, time, doubles.data()) ||
            !WRITE3(lname, "CNT", date, time, ints.data()))
            return false;
        NEXTIME(date, time, 10000);
    }
    return CLOSE3(lname);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_cf_samples DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const Grid conformal{"hourly36.nc", 2, 33, 45, -97, -97, 40, -48000, -36000, 12000};
    bool ok = write(dir, conformal, 8, 6, 36, 2020059, 180000);
    const Grid grids[] = {
        {"grid1.nc", 1, 0, 0, 0, 0, 0, -100.0, 30.0, 0.5},
        {"grid2.nc", 2, 33, 45, -97, -97, 40, -2556000, -1728000, 1000000},
        {"grid2moved.nc", 2, 30, 60, -90, -80, 45, -200000, -150000, 100000},
        {"grid6.nc", 6, 1, 60, -98, -98, 90, -1000000, -3000000, 500000},
        {"grid7.nc", 7, 20, 0, 100, 110, 10, -300000, -200000, 100000},
        {"grid9.nc", 9, 29.5, 45.5, -96, -96, 23, -2000000, 0, 700000},
        {"grid10.nc", 10, 52, 0, 10, 10, 52, -1000000, -1000000, 400000},
    };
    for (const Grid& g : grids) ok = ok && write(dir, g, 5, 4, 1, 2021001, 0);
    std::fprintf(stderr, "make_cf_samples: %s\n", ok ? "written" : "FAILED");
    return ok ? 0 : 1;
}
