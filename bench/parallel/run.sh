#!/usr/bin/env bash
# Writing 8 steps of a 35-layer 1000 x 1000 real variable (1.1 GB) on
# /dev/shm: by 1, 2 and 4 ranks together, and gathered to rank 0 and written
# there, each way timed once per rank count.
#   bench/parallel/run.sh [BUILD_DIR] [DIR]
set -euo pipefail
build=${1:-build}
dir=${2:-/dev/shm}
export LOGFILE=/dev/null
if [ "$(id -u)" = 0 ]; then export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1; fi
for n in 1 2 4; do
  for way in parallel gather; do
    mpirun -np "$n" --oversubscribe "$build/bench/write_bench" "$way" "$dir"
  done
done
