// The test kit shared by every test folder: files and texts, the sandbox that
// runs a piece of the layer in a child process, the pondra runner, the log as
// the tests read it, file descriptions and netCDF inspection.
#pragma once

#include "tests/kit/describe.hpp"
#include "tests/kit/files.hpp"
#include "tests/kit/log.hpp"
#include "tests/kit/netcdf.hpp"
#include "tests/kit/program.hpp"
#include "tests/kit/sandbox.hpp"
