// The storage kind of "MPI:" files.
#pragma once

#include "gridfile/storage.hpp"

namespace orvex::parallel::detail {

const orvex::detail::StorageKind& mpi_kind();

}  // namespace orvex::parallel::detail
