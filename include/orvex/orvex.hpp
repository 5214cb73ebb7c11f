// orvex: gridded, time-stepped model data in self-describing netCDF files.
#pragma once

#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"
#include "orvex/runtime.hpp"
#include "orvex/text.hpp"
