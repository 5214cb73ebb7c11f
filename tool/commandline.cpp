// pondra's command line.
#include "tool/commandline.hpp"

#include <string_view>

#include "orvex/runtime.hpp"

namespace pondra {

std::string help_text() {
    return R"(Usage: pondra < DIALOGUE
       pondra --help | -h
       pondra --version

pondra samples a list of nested or neighbouring model grids onto one output
grid and writes the mosaic as two files. Each output cell takes the value of
the input cell it falls in, the first time step of every variable; later
files overwrite earlier ones, so list the coarse grids first and the finest
nests last. Input values of -9.0 are missing and never copied; output cells
that no input covers hold 0.0.

The dialogue, read from standard input, one item per line:
  1  PROJ1 PROJ2 PROJ3 PROJ4 NCOLS NROWS XORIG YORIG CELL
       the projection numbers (echoed only: the outputs are always written
       on the Lambert conformal grid 33 45 -97 -97, centre -97 40), the
       output grid's columns and rows, its origin (south-west corner) and
       its cell size, all three in kilometres
  2  YEAR            the year of the outputs' date (YEAR001, 00:00:00)
  3  OUTFILE         logical name of the emissions QA output file
  4  OUTFILEQD       logical name of the air-quality output file
  5  NFILES          the number of input files (1 to 366)
  6  NAME            one input file's logical name per line, NFILES lines
Values on lines 1, 2 and 5 are separated by blanks or commas; names are
cut to 16 characters.

Logical names are environment variables whose values are the paths of the
files: "export NEST4=/data/nest4.nc" (a name that is not set is taken as a
path itself). A value may also be "BIN:path" (a native binary file),
"LIST:NAME1,NAME2" (a list of files read as one) or "path -v" (synchronised
after every write). Inputs are gridded files of one layer and at most 10
real variables.

Settings read from the environment:
  LOGFILE          the log file, created new (never overwritten); unset: the
                   log goes to standard output
  EXECUTION_ID     the run's identifier, written into the files it creates
  SCENFILE         a text file written into the files created as history
  ORVEX_OFFSET_64  Y: create the outputs with 64-bit offsets
  ORVEX_LOG_WRITE  N: do not log every write
  ORVEX_CHECK_HEADERS  Y: check file descriptions and headers strictly
  PONDRA_PROGRESS  Y: show the progress line on standard error even when it
                   is not a terminal
  PONDRA_QUIET     Y: no coverage report and no progress line
  PONDRA_OVERLAP   N: match each variable on the reading thread instead of a
                   second thread that works while the next one is read

Outputs: the two files named by OUTFILE and OUTFILEQD (the variables of the
last input, units "tons" and "ug/m3"); standard output echoes the dialogue and
every file read and written; the log (LOGFILE) holds the library's record of
the run. Standard error carries what is meant for people: progress,
warnings about runs that look wrong, the coverage report and, on failure,
one line saying what failed.

Exit status: 0 the outputs are complete; 2 the run failed (a malformed
dialogue, a file that cannot be read or written, or standard output or the
log could not be written): standard error says what failed and where the
details are.

Example:
  export OUTER=outer.nc NEST12=nest12.nc NEST4=nest4.nc
  export EMISQA=pondra_qa.nc AIRQUAL=pondra_aq.nc LOGFILE=pondra.log
  printf '33 45 -97 -97 150 120 -900 -720 12\n2005\nEMISQA\nAIRQUAL\n3\nOUTER\nNEST12\nNEST4\n' | pondra > pondra.out
)";
}

std::string version_text() {
    // The netCDF text is "4.9.0 of <build date> $": its first word is the version.
    const std::string nc = orvex::netcdf_version();
    return "pondra " + std::string(orvex::version()) + " (orvex library " + std::string(orvex::version()) +
           ")\nnetCDF " + nc.substr(0, nc.find(' ')) + "\n";
}

std::optional<int> handle_arguments(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc <= 1) return std::nullopt;
    const std::string_view arg = argv[1];
    if (argc == 2 && (arg == "--help" || arg == "-h")) {
        out << help_text();
        out.flush();
        return 0;
    }
    if (argc == 2 && arg == "--version") {
        out << version_text();
        out.flush();
        return 0;
    }
    const std::string_view bad = (arg == "--help" || arg == "-h" || arg == "--version") ? argv[2] : arg;
    err << "pondra: unknown argument \"" << bad << "\": pondra takes no arguments and reads its dialogue from "
        << "standard input; see pondra --help\n";
    err.flush();
    return 2;
}

}  // namespace pondra
