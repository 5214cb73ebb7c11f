// The library's release.
#include "orvex/runtime.hpp"
#include "support/layerstate.hpp"

namespace orvex {

std::string_view version() { return detail::RELEASE; }

}  // namespace orvex
