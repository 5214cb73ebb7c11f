// pondra: samples a list of model grids onto one output grid.
//
// Reads the run dialogue from standard input, matches the first time step of
// every variable of every input file onto the output grid, writes the result
// into two output files and ends with status 0.
//
// Exit status: 0 on success; 2 on every fatal error. A malformed or missing
// dialogue line is reported in one line on standard error before any file is
// opened; every later fatal error goes through QVEXIT and the layer's log, and
// its cause in one line on standard error. A run that would end with 0 or
// through QVEXIT, but lost some of its standard output or log, says so on
// standard error and ends with 2.
//
// Standard error is the person's: the progress line (on a terminal, or with
// PONDRA_PROGRESS), warnings about runs that look wrong and the coverage
// report (off with PONDRA_QUIET). Standard output and the log never change.
#include <unistd.h>

#include <iostream>
#include <new>
#include <string>

#include "tool/commandline.hpp"
#include "tool/console.hpp"
#include "tool/dialogue.hpp"
#include "tool/failure.hpp"
#include "tool/fatal.hpp"
#include "tool/lostoutput.hpp"
#include "tool/modelpass.hpp"
#include "tool/outputs.hpp"
#include "tool/sanity.hpp"

int main(int argc, char** argv) {
    if (const auto status = pondra::handle_arguments(argc, argv, std::cout, std::cerr)) return *status;
    const bool quiet = pondra::env_flag("PONDRA_QUIET");
    const bool progress = pondra::env_flag("PONDRA_PROGRESS");
    pondra::enable_progress(progress || (!quiet && ::isatty(STDERR_FILENO) == 1));
    if (::isatty(STDIN_FILENO) == 1) pondra::say(pondra::TERMINAL_HINT);

    pondra::watch_output();
    pondra::watch_failures();
    pondra::RunState st;
    pondra::start_run(st, std::cout);
    try {
        pondra::read_dialogue(std::cin, std::cout, st);
    } catch (const pondra::DialogueError& e) {
        pondra::skip_output_check();
        std::cout.flush();
        std::cerr << "pondra: " << e.what() << std::endl;
        return 2;
    }
    for (const std::string& w : pondra::dialogue_warnings(st)) pondra::say(w);
    try {
        pondra::allocate_tots(st);
        if (!quiet) st.coverage.start(st.NCOLS, st.NROWS);
    } catch (const std::bad_alloc&) {
        pondra::fatal(st.PROGNAME.view(), 0, 0,
                      "Could not allocate the result array for " + std::to_string(st.NCOLS) + " x " +
                          std::to_string(st.NROWS) + " cells");
    }
    pondra::check_run(st);
    pondra::read_model_files(st, std::cout);
    pondra::write_outputs(st, std::cout);
    pondra::finish_run(st);
    if (st.coverage.counting()) pondra::say(st.coverage.report());
    if (const std::string w = pondra::leftover_warning(std::cin, STDIN_FILENO, st.NFILES); !w.empty())
        pondra::say(w);
    return 0;
}
