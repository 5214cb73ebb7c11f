#!/usr/bin/env bash
# netCDF-4 against classic files: the demo's file sizes, and pondra's
# whole-run time (bench/wholerun's workload: 20 inputs of 400 x 400 x 10
# variables onto 1000 x 1000) with and without ORVEX_NETCDF4, measured side by
# side in alternating rounds on /dev/shm (the inputs classic in both).
#   bench/netcdf4_figures.sh [ROUNDS]      (BUILD=build-dir, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
build=$PWD/${BUILD:-build}
dir=$(mktemp -d /dev/shm/orvex-nc4.XXXXXX)
trap 'rm -rf "$dir"' EXIT

demo() {  # demo DIR [ENV...]: the demo's inputs and pondra's run, every file in the mode of ENV
  local d=$1; shift
  mkdir -p "$d"
  env "$@" LOGFILE="$d/inputs.log" "$build/bin/make_demo_inputs" "$d" > /dev/null
  env "$@" OUTER="$d/outer.nc" NEST12="$d/nest12.nc" NEST4="$d/nest4.nc" EMISQA="$d/pondra_qa.nc" \
    AIRQUAL="$d/pondra_aq.nc" LOGFILE="$d/pondra.log" "$build/bin/pondra" < examples/dialogue.txt > /dev/null
}
demo "$dir/classic"
demo "$dir/nc4" ORVEX_NETCDF4=Y
echo "== demo files, bytes (classic / netCDF-4 classic model, deflate 4)"
for f in outer nest12 nest4 pondra_qa pondra_aq; do
  printf '%-10s %10d %10d\n' "$f" "$(stat -c %s "$dir/classic/$f.nc")" "$(stat -c %s "$dir/nc4/$f.nc")"
done
ncdump -k "$dir/nc4/pondra_aq.nc"

echo "== whole run, $rounds alternating rounds"
w=$dir/wholerun
mkdir -p "$w"
LOGFILE=/dev/null "$build/bench/wholerun_workload" "$w" 20 > /dev/null
# shellcheck disable=SC1091
source "$w/env.sh"
run() {  # run LABEL [ENV...]: one pondra run; prints its wall time in seconds
  local label=$1; shift
  rm -f "$WRQA" "$WRAQ"
  local t0 t1
  t0=$(date +%s.%N)
  env "$@" LOGFILE=/dev/null "$build/bin/pondra" < "$w/dialogue.txt" > /dev/null
  t1=$(date +%s.%N)
  echo "$label $(echo "$t1 - $t0" | bc) $(stat -c %s "$WRQA") $(stat -c %s "$WRAQ")"
}
for ((i = 1; i <= rounds; i++)); do
  run classic
  run netcdf4 ORVEX_NETCDF4=Y
done | tee "$dir/times.txt"
awk '{ n[$1]++; s[$1] += $2; if (!($1 in lo) || $2 < lo[$1]) lo[$1] = $2; size[$1] = $3 + $4 }
     END { for (k in n) printf "%-8s mean %.2f s  best %.2f s  outputs %d bytes\n", k, s[k] / n[k], lo[k], size[k] }' "$dir/times.txt"
