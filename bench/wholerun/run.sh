#!/usr/bin/env bash
# Whole-run benchmark: pondra against the floor (the same netCDF reads and
# writes, no matching), in alternating rounds.
#   bench/wholerun/run.sh [RUNS [WORKLOAD]]
#     WORKLOAD medium: 20 inputs of 400 x 400 x 10 variables onto 1000 x 1000 (default)
#              large: 100 inputs of 500 x 500 x 10 variables onto 2000 x 2000
#   BUILD=build-dir (default build); DIR=scratch directory (default /dev/shm/orvex-wholerun,
#   RAM-backed so that the disk's write-back does not decide the figures)
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-5}
workload=${2:-medium}
build=${BUILD:-build}
dir=${DIR:-/dev/shm/orvex-wholerun}
case $workload in
  medium) files=20 cells=400 out=1000 ;;
  large) files=100 cells=500 out=2000 ;;
  *) echo "run.sh: unknown workload $workload (medium or large)" >&2; exit 2 ;;
esac
rm -rf "$dir" && mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
LOGFILE=/dev/null "$build"/bench/wholerun_workload "$dir" $files $cells $out > /dev/null
# shellcheck disable=SC1091
source "$dir/env.sh"
inputs=$(ls "$dir"/in*.nc | sort -V)
export LOGFILE=/dev/null
"$build"/bench/wholerun_runner "$runs" "$dir/dialogue.txt" \
  -- "$build"/bin/pondra \
  -- "$build"/bench/wholerun_floor "$dir/floor_qa.nc" "$dir/floor_aq.nc" $out $out $inputs
