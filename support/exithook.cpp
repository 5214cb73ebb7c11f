// The hook a program registers to hear why the layer ends the process.
#include "support/exithook.hpp"

#include <cstdlib>
#include <utility>

namespace orvex {

namespace {

ExitHook installed = nullptr;

}  // namespace

ExitHook set_exit_hook(ExitHook hook) {
    const ExitHook previous = installed;
    installed = hook;
    return previous;
}

namespace detail {

void end_process(const ExitNotice& notice) {
    // Called once: a hook that reaches the layer again finds none.
    if (const ExitHook hook = std::exchange(installed, nullptr)) hook(notice);
    std::exit(notice.status);
}

}  // namespace detail

}  // namespace orvex
