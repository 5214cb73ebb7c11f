// The pass over the input model files.
#include "tool/modelpass.hpp"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"
#include "tool/console.hpp"
#include "tool/failure.hpp"
#include "tool/fatal.hpp"
#include "tool/freeformat.hpp"
#include "tool/gridding.hpp"
#include "tool/overlap.hpp"
#include "tool/sanity.hpp"

namespace pondra {

namespace {

using orvex::FDESC3;

// Caller tag of the read failure.
constexpr std::string_view READ_CALLER = "MIRVAL:TOLBANE";

// The first n characters of a field.
std::string_view first(std::string_view field, int n) { return field.substr(0, static_cast<std::size_t>(n)); }

// Refuses a file the result array and the one-layer read buffer cannot take.
void check_input(const orvex::Fdesc3& d, std::string_view LAND, std::string_view PROGNAME) {
    const std::string file = "File " + quoted_trimmed(LAND);
    if (d.FTYPE3D != orvex::GRDDED3)
        fatal(PROGNAME, 0, 0, file + " is not a gridded file (file type " + std::to_string(d.FTYPE3D) + ")");
    if (d.NLAYS3D != 1)
        fatal(PROGNAME, 0, 0, file + " has " + std::to_string(d.NLAYS3D) + " layers; only 1 can be read");
    if (d.NVARS3D > MXPOS)
        fatal(PROGNAME, 0, 0,
              file + " has " + std::to_string(d.NVARS3D) + " variables; at most " + std::to_string(MXPOS) +
                  " can be matched");
    for (int v = 1; v <= d.NVARS3D; ++v) {
        const int type = d.VTYPE3D[static_cast<std::size_t>(v - 1)];
        if (type != orvex::QVREAL)
            fatal(PROGNAME, 0, 0,
                  file + " variable " + quoted_trimmed(d.VNAME3D[static_cast<std::size_t>(v - 1)]) +
                      " has data type " + std::to_string(type) + "; only REAL can be read");
    }
}

// One input file, from open to close; k counts the files from 1.
void read_model_file(RunState& st, const orvex::Text<LINELEN>& LAND, int k, MatchQueue& queue, std::ostream& out) {
    const std::string_view PROGNAME = st.PROGNAME.view();
    doing(Step::OpenInput, LAND.view());
    if (!orvex::OPEN3(LAND.view(), orvex::FSRDONLY3, PROGNAME))
        fatal(PROGNAME, 0, 0, "Could not open file " + quoted_trimmed(LAND) + " for input");
    if (!orvex::DESC3(LAND.view()))
        fatal(PROGNAME, 0, 0, "Could not get description info for file " + quoted_trimmed(LAND));

    const orvex::Fdesc3& d = FDESC3;
    write_line(out, FreeLine().integer(d.NCOLS3D).integer(d.NROWS3D).integer(d.NLAYS3D).integer(d.TSTEP3D).integer(
                        d.NVARS3D));
    write_line(out, FreeLine().text("Reading model file"));
    list_variables(d, out);
    write_line(out, FreeLine().text("max records").integer(d.MXREC3D).integer(d.SDATE3D).integer(d.STIME3D));
    doing(Step::ReadInput, LAND.view());
    check_input(d, LAND.view(), PROGNAME);
    const std::string lname(LAND.trimmed());
    for (const std::string& w : input_warnings(st, lname, d)) say(w);

    // Only the first time step of each file is read.
    const int JDATE = d.SDATE3D;
    const int JTIME = d.STIME3D;
    const float MESH = mesh_factor(d.XCELL3D, st.CELL);
    write_line(out, FreeLine().text("MESH FACTOR:").real(MESH).real(st.CELL).dble(d.XCELL3D));
    write_line(out, FreeLine().text("GRID SPECS:").integer(d.NCOLS3D).integer(d.NROWS3D));

    const InputGrid in{d.NCOLS3D, d.NROWS3D, d.XORIG3D, d.YORIG3D, d.XCELL3D, d.YCELL3D};
    const int nvars = d.NVARS3D;
    const std::size_t n =
        static_cast<std::size_t>(std::max(d.NCOLS3D, 0)) * static_cast<std::size_t>(std::max(d.NROWS3D, 0));
    try {
        if (nvars > 0) queue.reserve(n);
    } catch (const std::bad_alloc&) {
        fatal(PROGNAME, 0, 0, "Could not allocate the read buffer for file " + quoted_trimmed(LAND));
    }
    const auto match = std::make_shared<const GridMatch>(OutputGrid{st.NCOLS, st.NROWS, st.XORIG, st.YORIG, st.CELL},
                                                         in, MESH);
    st.covered = st.covered || match->covers_any();
    if (st.coverage.counting()) st.coverage.add_input(lname, d.XCELL3D);

    write_line(out, FreeLine().text("Reading file at").integer(JDATE).integer(JTIME));
    for (int v = 1; v <= nvars; ++v) {
        const orvex::Text<orvex::NAMLEN3> VNAME = FDESC3.VNAME3D[static_cast<std::size_t>(v - 1)];
        write_line(out, FreeLine().integer(nvars).integer(v).text(VNAME));
        doing(Step::ReadInput, LAND.view(), VNAME.view());
        float* const GRID = queue.slot();
        if (!orvex::READ3(LAND.view(), VNAME.view(), orvex::ALLAYS3, JDATE, JTIME, GRID))
            fatal(READ_CALLER, JDATE, JTIME,
                  "Read failure:  file " + LAND.str() + " variable " + VNAME.str());
        write_line(out, FreeLine().text("HERE"));
        // Matched on the matching thread while the next variable is read; the
        // last input's matchings need not wait for the next input's.
        GridMatch::Owner* const owners = v == 1 ? st.coverage.owners() : nullptr;
        queue.post({match, st.layer(v), owners, static_cast<GridMatch::Owner>(k), k == st.NFILES});
    }

    if (!orvex::CLOSE3(LAND.view())) fatal(PROGNAME, 0, 0, "Could not close file");
}

}  // namespace

void check_run(const RunState& st) {
    if (st.NFILES <= 0)
        fatal(st.PROGNAME.view(), 0, 0,
              "No input files (NFILES " + std::to_string(st.NFILES) + "): nothing to describe the output files");
    if (!(st.CELL > 0.0f))
        fatal(st.PROGNAME.view(), 0, 0,
              "Output cell size must be positive; CELL (m) is " + trimmed(free_real(st.CELL)));
}

void list_variables(const orvex::Fdesc3& d, std::ostream& out) {
    int LV = 1, LU = 1, LD = 1;
    for (int v = 0; v < d.NVARS3D; ++v) {
        const auto k = static_cast<std::size_t>(v);
        LV = std::max(LV, orvex::TRIMLEN(d.VNAME3D[k].view()));
        LU = std::max(LU, orvex::TRIMLEN(d.UNITS3D[k].view()));
        LD = std::max(LD, orvex::TRIMLEN(d.VDESC3D[k].view()));
    }
    out << std::string(6, ' ') << '\n'
        << "     The list of variables in this file is:\n"
        << std::string(6, ' ') << '\n';
    for (int v = 0; v < d.NVARS3D; ++v) {
        const auto k = static_cast<std::size_t>(v);
        out << "     " << first(d.VNAME3D[k].view(), LV) << " (" << first(d.UNITS3D[k].view(), LU)
            << "): " << first(d.VDESC3D[k].view(), LD) << '\n';
    }
}

void read_model_files(RunState& st, std::ostream& out) {
    MatchQueue queue(overlap_wanted());
    set_active_queue(&queue);
    for (int i = 0; i < st.NFILES; ++i) {
        const orvex::Text<LINELEN> LAND = st.ENAME[static_cast<std::size_t>(i)];
        show_progress("file " + std::to_string(i + 1) + " of " + std::to_string(st.NFILES) + "  " +
                      std::string(LAND.trimmed()) + "  " + seconds_text(run_seconds()));
        read_model_file(st, LAND, i + 1, queue, out);
    }
    queue.drain();
    set_active_queue(nullptr);
    clear_progress();
    if (!st.covered && st.NFILES > 0) say(uncovered_warning(st));
}

}  // namespace pondra
