// Writes the whole-run workload: NFILES gridded files of CELLS x CELLS cells
// with 10 real variables each (one layer, hourly, two steps), and the dialogue
// that maps them onto an OUT x OUT output grid of 4 km cells.
//
//   wholerun_workload DIR [NFILES [CELLS [OUT]]]     (defaults 20, 400, 1000)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "orvex/orvex.hpp"

int main(int argc, char** argv) {
    using namespace orvex;
    if (argc < 2) {
        std::fprintf(stderr, "usage: wholerun_workload DIR [NFILES [CELLS [OUT]]]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int nfiles = argc > 2 ? std::atoi(argv[2]) : 20;
    const int kCells = argc > 3 ? std::atoi(argv[3]) : 400;
    const int kOut = argc > 4 ? std::atoi(argv[4]) : 1000;
    constexpr int kVars = 10;

    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = 2010001;
    FDESC3.STIME3D = 0;
    FDESC3.TSTEP3D = 10000;
    FDESC3.NCOLS3D = kCells;
    FDESC3.NROWS3D = kCells;
    FDESC3.NLAYS3D = 1;
    FDESC3.NVARS3D = kVars;
    FDESC3.GDTYP3D = 2;
    FDESC3.P_ALP3D = 33.0;
    FDESC3.P_BET3D = 45.0;
    FDESC3.P_GAM3D = -97.0;
    FDESC3.XCENT3D = -97.0;
    FDESC3.YCENT3D = 40.0;
    FDESC3.VGTYP3D = 2;
    FDESC3.VGLVS3D[0] = 1.0f;
    FDESC3.VGLVS3D[1] = 0.99f;
    FDESC3.GDNAM3D = "WORKLOAD";
    for (int v = 0; v < kVars; ++v) {
        FDESC3.VNAME3D[v] = "VAR" + std::to_string(v + 1);
        FDESC3.UNITS3D[v] = "ppbV";
        FDESC3.VDESC3D[v] = "workload variable";
        FDESC3.VTYPE3D[v] = QVREAL;
    }

    std::ofstream dialogue(dir + "/dialogue.txt");
    // Output: OUT x OUT cells of 4 km from (-2000 km, -2000 km).
    dialogue << "33. 45. -97. -97. " << kOut << " " << kOut << " -2000 -2000 4\n2010\nWRQA\nWRAQ\n" << nfiles << "\n";
    std::ofstream env(dir + "/env.sh");
    env << "export WRQA=" << dir << "/out_qa.nc WRAQ=" << dir << "/out_aq.nc\n";

    std::vector<float> values(static_cast<std::size_t>(kCells) * kCells * kVars);
    for (int f = 0; f < nfiles; ++f) {
        // Files of 12 km cells tiled over the output domain, overlapping.
        const std::string name = "WR" + std::to_string(f + 1);
        const std::string path = dir + "/in" + std::to_string(f + 1) + ".nc";
        FDESC3.XCELL3D = FDESC3.YCELL3D = 12000.0;
        FDESC3.XORIG3D = -2400000.0 + 150000.0 * (f % 5);
        FDESC3.YORIG3D = -2400000.0 + 150000.0 * (f / 5);
        SETENVVAR(name, path);
        if (!OPEN3(name, FSCREA3, "WORKLOAD")) return 2;
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(f + std::sin(0.001 * i));
        int jdate = FDESC3.SDATE3D, jtime = 0;
        for (int step = 0; step < 2; ++step) {
            if (!WRITE3(name, "ALL", jdate, jtime, values.data())) return 2;
            NEXTIME(jdate, jtime, 10000);
        }
        if (!CLOSE3(name)) return 2;
        dialogue << name << "\n";
        env << "export " << name << "=" << path << "\n";
    }
    SHUT3();
    return 0;
}
