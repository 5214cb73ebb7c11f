#!/usr/bin/env bash
# The Python tests: installs the package the README's second way (pip --target,
# from a copy of python/ so that the source tree stays as it is) into the build
# tree, then runs pytest on python/tests against that installation, with the
# layer's log and its notices left to the package (LOGFILE unset).
#   run.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
work=$build/python-test
rm -rf "$work"
mkdir -p "$work"
cp -r "$src/python" "$work/src"
rm -rf "$work/src/build" "$work"/src/*.egg-info
ORVEX_BUILD_DIR=$build /usr/bin/python3 -m pip install --quiet --root-user-action=ignore \
  --no-build-isolation --no-deps --target "$work/site" "$work/src"
cd "$work"
exec env -u LOGFILE PYTHONPATH="$work/site" PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider "$src/python/tests"
