#!/usr/bin/env bash
# CF copies made by orvex-cf, checked with the everyday tools: cdo sinfo and
# infon, gdalinfo, ncks, and xarray with pyproj (check_cf.py). The copies are
# of a 36-step hourly file, of one small file per mapped grid type, and of the
# demo mosaic (pondra's run on examples/dialogue.txt).
#   cf_tools.sh BUILD_DIR SOURCE_DIR MAKE_CF_SAMPLES
# Exit 77 (skipped) when one of the tools is missing.
set -uo pipefail
build=$1 src=$2 samples=$3
for tool in cdo ncks gdalinfo /usr/bin/python3; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c "import xarray, pyproj, netCDF4" 2> /dev/null || { echo "skipped: xarray, pyproj or netCDF4 missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
check() {  # check WHAT COMMAND...: the command must succeed
  local what=$1; shift
  if "$@" > /dev/null 2>&1; then echo "ok    $what"; else echo "FAIL  $what"; failures=$((failures + 1)); fi
}
cfcopy() {  # cfcopy LOGNAME ARGS...
  local log=$1; shift
  LOGFILE="$log.log" "$build/bin/orvex-cf" "$@" > /dev/null 2>> orvex-cf.err || { echo "FAIL  orvex-cf $*"; cat orvex-cf.err; exit 1; }
}

# The inputs.
LOGFILE=samples.log "$samples" . > /dev/null || { echo "FAIL  make_cf_samples"; exit 1; }
LOGFILE=inputs.log "$build/bin/make_demo_inputs" . > /dev/null || { echo "FAIL  make_demo_inputs"; exit 1; }
OUTER=outer.nc NEST12=nest12.nc NEST4=nest4.nc EMISQA=pondra_qa.nc AIRQUAL=pondra_aq.nc LOGFILE=pondra.log \
  EXECUTION_ID="cf tools check" "$build/bin/pondra" < "$src/examples/dialogue.txt" > pondra.out \
  || { echo "FAIL  pondra on the demo dialogue"; exit 1; }

# The copies.
for f in hourly36 grid1 grid2 grid2moved grid6 grid7 grid9 grid10; do cfcopy "cf_$f" "$f.nc" "cf_$f.nc"; done
cfcopy cf_hourly36_m9 --missing -9 hourly36.nc cf_hourly36_m9.nc
cfcopy cf_mosaic --missing -9 pondra_aq.nc cf_mosaic.nc
cfcopy cf_nest12 nest12.nc cf_nest12.nc
cfcopy cf_nest12_m9 --missing -9 nest12.nc cf_nest12_m9.nc

# cdo sinfo: no time-variable warning, the dates, a grid that is not generic.
for f in cf_hourly36 cf_mosaic; do
  cdo -s sinfo "$f.nc" > "$f.sinfo" 2>&1
  sed -n '/Grid coordinates/,/Vertical coordinates/p' "$f.sinfo" > "$f.grid"
  check "$f: cdo sinfo prints no warning" bash -c "test -s $f.sinfo && ! grep -qi 'warning\|not found' $f.sinfo"
  check "$f: cdo sees a curvilinear grid, not a generic one" bash -c "grep -q curvilinear $f.grid && ! grep -q generic $f.grid"
  check "$f: cdo names the mapping" grep -q "mapping : lambert_conformal_conic" "$f.grid"
done
check "cf_hourly36: cdo dates" bash -c "grep -q '2020-02-28 18:00:00' cf_hourly36.sinfo && grep -q '2020-02-29 00:00:00' cf_hourly36.sinfo && grep -q '2020-03-01 05:00:00' cf_hourly36.sinfo"
check "cf_hourly36: cdo counts 36 steps" bash -c "[ \$(cdo -s ntime cf_hourly36.nc 2> /dev/null) = 36 ]"
check "cf_mosaic: cdo date" grep -q "2005-01-01 00:00:00" cf_mosaic.sinfo
check "no 0000-00-00 dates" bash -c "! grep -q '0000-00-00' cf_hourly36.sinfo cf_mosaic.sinfo"

# cdo infon: the -9 holes are missing after --missing -9. A sample record has
# 48 cells a layer, 6 holes and one AMISS3 cell; without --missing only the
# AMISS3 cell is missing. In the 12 km nest of the demo, cdo's count must be
# the number of -9.0 values of the plain copy.
infon() {  # infon FILE: "Gridsize Miss" of O3 in the first record and layer
  cdo -s infon -selname,O3 -seltimestep,1 -sellevidx,1 "$1" 2> /dev/null | awk '$NF == "O3" { print $6, $7; exit }'
}
check "cdo infon counts the -9 holes as missing after --missing -9" test "$(infon cf_hourly36_m9.nc)" = "48 7"
check "cdo infon counts only the AMISS3 cell without it" test "$(infon cf_hourly36.nc)" = "48 1"
holes=$(/usr/bin/python3 -c "import netCDF4; v = netCDF4.Dataset('cf_nest12.nc')['O3'][0, 0]; print(int((v == -9.0).sum()))")
echo "      nest12: $holes cells of -9.0 in O3 of the first record"
check "cdo infon: the nest has -9.0 holes, counted as data without --missing" test "$(infon cf_nest12.nc)" = "6750 0" -a "$holes" -gt 0
check "cdo infon counts the nest's -9.0 holes as missing after --missing -9" test "$(infon cf_nest12_m9.nc)" = "6750 $holes"

# gdalinfo: the Lambert conformal reference and the corners of the mosaic
# (150 x 120 cells of 12 km from -900 km, -720 km).
gdalinfo "NETCDF:\"cf_mosaic.nc\":O3" > gdalinfo.txt 2>&1
check "gdalinfo: Lambert conformal conic" grep -qi "Lambert_Conformal_Conic\|Lambert Conic Conformal" gdalinfo.txt
check "gdalinfo: upper-left corner" grep -Eq "Upper Left +\( *-900000\.000, *720000\.000\)" gdalinfo.txt
check "gdalinfo: lower-right corner" grep -Eq "Lower Right +\( *900000\.000, *-720000\.000\)" gdalinfo.txt
check "gdalinfo: standard parallels" bash -c "grep -q '33' gdalinfo.txt && grep -q '45' gdalinfo.txt"

# ncks reads the copy.
check "ncks reads O3 of the mosaic" bash -c "ncks -H -C -v O3 -d time,0 -d layer,0 -d y,60 -d x,75 cf_mosaic.nc | grep -q 'O3'"
check "ncks reads the time axis" bash -c "ncks -H -C -v time cf_hourly36.nc | grep -q '126000'"

# xarray and pyproj.
/usr/bin/python3 "$src/tests/cf/tools/check_cf.py" . || failures=$((failures + 1))

if [ "$failures" -ne 0 ]; then
  echo "== $failures check(s) failed; cdo sinfo of the mosaic and gdalinfo follow"
  cat cf_mosaic.sinfo orvex-cf.err
  exit 1
fi
echo "== every check passed"
