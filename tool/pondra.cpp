// pondra: samples a list of model grids onto one output grid.
//
// Reads the run dialogue from standard input, matches the first time step of
// every variable of every input file onto the output grid, writes the result
// into two output files and ends with status 0.
//
// Exit status: 0 on success; 2 on every fatal error. A malformed or missing
// dialogue line is reported in one line on standard error before any file is
// opened; every later fatal error goes through QVEXIT and the layer's log.
// A run that would end with 0 or through QVEXIT, but lost some of its standard
// output or log, says so in one line on standard error and ends with 2.
#include <iostream>
#include <new>
#include <string>

#include "tool/dialogue.hpp"
#include "tool/fatal.hpp"
#include "tool/lostoutput.hpp"
#include "tool/modelpass.hpp"
#include "tool/outputs.hpp"

int main() {
    pondra::watch_output();
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
    try {
        pondra::allocate_tots(st);
    } catch (const std::bad_alloc&) {
        pondra::fatal(st.PROGNAME.view(), 0, 0,
                      "Could not allocate the result array for " + std::to_string(st.NCOLS) + " x " +
                          std::to_string(st.NROWS) + " cells");
    }
    pondra::check_run(st);
    pondra::read_model_files(st, std::cout);
    pondra::write_outputs(st, std::cout);
    pondra::finish_run(st);
    return 0;
}
