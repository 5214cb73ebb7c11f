// pondra: samples a list of model grids onto one output grid.
//
// Exit status: 0 on success; 2 on every fatal error, a malformed or missing
// dialogue line included (reported in one line on standard error, before any
// file is opened).
#include <iostream>
#include <new>

#include "tool/dialogue.hpp"

int main() {
    pondra::RunState st;
    pondra::start_run(st, std::cout);
    try {
        pondra::read_dialogue(std::cin, std::cout, st);
    } catch (const pondra::DialogueError& e) {
        std::cout.flush();
        std::cerr << "pondra: " << e.what() << std::endl;
        return 2;
    }
    try {
        pondra::allocate_tots(st);
    } catch (const std::bad_alloc&) {
        std::cerr << "pondra: cannot allocate the result array for " << st.NCOLS << " x " << st.NROWS
                  << " cells" << std::endl;
        return 2;
    }
    std::cerr << "pondra: dialogue read; the model-file pass is not part of this build" << std::endl;
    return 2;
}
