// The two output files and the end of the run.
#include "tool/outputs.hpp"

#include <string>

#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"
#include "tool/console.hpp"
#include "tool/failure.hpp"
#include "tool/fatal.hpp"
#include "tool/freeformat.hpp"

namespace pondra {

namespace {

using orvex::FDESC3;

constexpr std::string_view WRITE_CALLER = "MIRVAL:TOLBANE";

// Sets the units and description of variables 1..NVARS3D.
void label_variables(orvex::Fdesc3& d, std::string_view units, std::string_view desc) {
    for (int v = 0; v < d.NVARS3D; ++v) {
        d.UNITS3D[static_cast<std::size_t>(v)] = units;
        d.VDESC3D[static_cast<std::size_t>(v)] = desc;
    }
}

// Creates one output file from FDESC3 and writes layer v of TOTS as each
// variable v; `echo` writes the line shown before each write.
template <class Echo>
void write_output(const RunState& st, const orvex::Text<orvex::NAMLEN3>& name, int n, Echo echo) {
    const std::string_view PROGNAME = st.PROGNAME.view();
    const std::string shown = "output " + std::to_string(n) + " of 2  " + std::string(name.trimmed());
    show_progress(shown + "  " + seconds_text(run_seconds()));
    doing(Step::CreateOutput, name.view());
    if (!orvex::OPEN3(name.view(), orvex::FSCREA3, PROGNAME))
        fatal(PROGNAME, 0, 0, "Could not open file " + quoted_trimmed(name.view()) + " for output");
    const int JDATE = FDESC3.SDATE3D;
    const int JTIME = 0;
    for (int v = 1; v <= FDESC3.NVARS3D; ++v) {
        const auto k = static_cast<std::size_t>(v - 1);
        const orvex::Text<orvex::NAMLEN3> VNAME = FDESC3.VNAME3D[k];
        echo(VNAME, FDESC3.UNITS3D[k]);
        show_progress(shown + "  variable " + std::to_string(v) + " of " + std::to_string(FDESC3.NVARS3D) + "  " +
                      seconds_text(run_seconds()));
        doing(Step::WriteOutput, name.view(), VNAME.view());
        if (!orvex::WRITE3(name.view(), VNAME.view(), JDATE, JTIME, st.layer(v)))
            fatal(WRITE_CALLER, JDATE, JTIME, "Could not write totals to " + VNAME.str());
    }
}

}  // namespace

int output_date(int YEAR) {
    return static_cast<int>(static_cast<unsigned>(YEAR) * 1000u + 1u);
}

void describe_output(const RunState& st, orvex::Fdesc3& d) {
    d.NCOLS3D = st.NCOLS;
    d.NROWS3D = st.NROWS;
    d.NLAYS3D = 1;
    d.SDATE3D = output_date(st.YEAR);
    d.STIME3D = 0;
    d.TSTEP3D = 240000;
    d.GDTYP3D = 2;
    d.P_ALP3D = 33.0;
    d.P_BET3D = 45.0;
    d.P_GAM3D = -97.0;
    d.XCENT3D = -97.0;
    d.YCENT3D = 40.0;
    d.XORIG3D = static_cast<double>(st.XORIG);
    d.YORIG3D = static_cast<double>(st.YORIG);
    d.XCELL3D = static_cast<double>(st.CELL);
    d.YCELL3D = static_cast<double>(st.CELL);
}

void write_outputs(const RunState& st, std::ostream& out) {
    orvex::Fdesc3& d = FDESC3;
    describe_output(st, d);

    label_variables(d, "tons", "Gridded emissions");
    for (int v = 0; v < d.NVARS3D; ++v) {
        const auto k = static_cast<std::size_t>(v);
        write_line(out, FreeLine().text(d.VNAME3D[k]));
        write_line(out, FreeLine().text(d.UNITS3D[k]));
        write_line(out, FreeLine().text(d.VDESC3D[k]));
    }
    write_output(st, st.OUTFILE, 1, [&out](const auto& vname, const auto& units) {
        write_line(out, FreeLine().text(vname).text(units));
    });

    label_variables(d, "ug/m3", "NLIN2.0");
    write_output(st, st.OUTFILEQD, 2, [&out](const auto& vname, const auto&) {
        write_line(out, FreeLine().text(vname));
    });
    clear_progress();
}

void finish_run(const RunState& st) {
    doing(Step::Finish);
    if (!orvex::SHUT3()) fatal(st.PROGNAME.view(), 0, 0, "Could not close the output files correctly");
}

}  // namespace pondra
