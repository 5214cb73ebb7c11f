#include "support/layerstate.hpp"

namespace orvex::detail {

LayerState LAYER_STATE;

}  // namespace orvex::detail
