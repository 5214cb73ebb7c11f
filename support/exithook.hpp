// The layer's one way of ending the process: the program's exit hook, then exit.
#pragma once

#include "orvex/runtime.hpp"

namespace orvex::detail {

[[noreturn]] void end_process(const ExitNotice& notice);

}  // namespace orvex::detail
