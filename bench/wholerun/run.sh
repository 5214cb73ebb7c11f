#!/usr/bin/env bash
# Whole-run benchmark: 20 inputs of 400 x 400 x 10 variables onto 1000 x 1000.
#   bench/wholerun/run.sh [RUNS]      (BUILD=build-dir, default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-5}
build=${BUILD:-build}
dir=$PWD/$build/wholerun
rm -rf "$dir" && mkdir -p "$dir"
LOGFILE=/dev/null "$build"/bench/wholerun_workload "$dir" 20 > /dev/null
# shellcheck disable=SC1091
source "$dir/env.sh"
inputs=$(ls "$dir"/in*.nc | sort -V)
export LOGFILE=/dev/null
"$build"/bench/wholerun_runner "$runs" "$dir/dialogue.txt" \
  -- "$build"/bin/pondra \
  -- "$build"/bench/wholerun_floor "$dir/floor_qa.nc" "$dir/floor_aq.nc" 1000 1000 $inputs
