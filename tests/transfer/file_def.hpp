// The READ3/WRITE3 tests' and benchmark's names for a file description: the
// kit's, whose defaults are a sound gridded file of one real variable O3.
#pragma once

#include "tests/kit/describe.hpp"

namespace transfer_test {

using FileDef = kit::Desc;
using VarDef = kit::Var;
using kit::describe;

}  // namespace transfer_test
