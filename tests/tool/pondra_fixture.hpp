// The runs of pondra in the tool tests: model input files written through the
// library in the test process, and the echo of a dialogue without inputs.
// Running pondra, its output files read back and the scratch directories are
// the kit's.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "orvex/orvex.hpp"
#include "tests/kit/kit.hpp"

namespace pondra::testing {

using namespace kit;

// A model file: its description (one cell, one layer, one hourly step from
// 2005032:000000 unless set), the logical name bound to its path, and the
// values of its steps.
struct ModelFile : Desc {
    ModelFile() {
        sdate = 2005032;
        ncols = nrows = nlays = 1;
        nthik = 1;
        p_gam = xcent = -100.0;
        xorig = yorig = 0.0;
        xcell = ycell = 1.0;
        vars.clear();
    }
    std::string lname;  // logical name, bound to `path` in the environment
    std::filesystem::path path;
    int nsteps = 1;
    Values value = [](int, int, int, int) { return 0.0; };
    int unwritten_var = -1;  // 0-based variable left out of the first step
};

// Creates the file through OPEN3 (FSCREA3), writes its steps and closes it;
// the test process's own log goes to the kit's ProcessLog.
inline bool write_model_file(const ModelFile& f) {
    ProcessLog::dir();
    ::setenv(f.lname.c_str(), f.path.c_str(), 1);
    Desc d = f;
    d.lines = {"pondra test input " + f.lname};
    return write_steps(f.lname, d, orvex::FSCREA3, "PONDTEST", f.nsteps, f.value, f.unwritten_var);
}

// The echo lines of the dialogue "33 45 -97 -97 100 80 -1000 -800 12", 2005,
// EMISQA, AIRQUAL, 0 (after the "max vars" line).
inline const std::string ECHO_100X80_NO_FILES =
    "Projection:               33.       45.      -97.      -97.\n"
    " X and Y cells:         100          80\n"
    " X orig, Y orig, cell size (m):  -1000000.      -800000.0       12000.00    \n"
    " Year for output file:        2005\n"
    " Output emissions QA file:EMISQA          \n"
    " Output air quality file:AIRQUAL         \n"
    " # of input files to pondra:           0\n";

}  // namespace pondra::testing
