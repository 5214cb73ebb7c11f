#!/usr/bin/env bash
# Installs the built project into a temporary prefix and builds a program
# outside the project against it, once through the CMake package and once
# through pkg-config; then builds it once more in a parent project that takes
# the sources in with add_subdirectory. Every consumer sets no C++ standard of
# its own; each must build, run and read back what it wrote.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LOGFILE=/dev/null

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
test -f "$work/prefix/include/orvex/orvex.hpp"
test -x "$work/prefix/bin/pondra"
if [ -x "$build/bin/orvex-cf" ]; then test -x "$work/prefix/bin/orvex-cf"; fi  # next to pondra when PROJ is there
ls "$work"/prefix/lib*/liborvex.a "$work"/prefix/lib*/pkgconfig/orvex.pc > /dev/null

# The CMake package.
cmake -S "$src/tests/install/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/cfg.log"
cmake --build "$work/cmake-build" > "$work/build.log" || { cat "$work/build.log"; exit 1; }
"$work/cmake-build/consumer" "$work/cmake.nc"

# pkg-config.
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$(ls "$work"/prefix/lib*/pkgconfig/orvex.pc)")
# shellcheck disable=SC2046
g++ -o "$work/pc-consumer" "$src/tests/install/consumer/main.cpp" $(pkg-config --cflags --libs orvex)
"$work/pc-consumer" "$work/pkgconfig.nc"

# C: the C interface through the CMake package (a C-only project) and through
# orvex-c.pc.
test -f "$work/prefix/include/orvex/orvex.h"
cmake -S "$src/tests/install/c_consumer" -B "$work/c-build" -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/c-cfg.log"
cmake --build "$work/c-build" > "$work/c-build.log" || { cat "$work/c-build.log"; exit 1; }
"$work/c-build/c_consumer" "$work/c-cmake.nc"
# shellcheck disable=SC2046
gcc -std=c99 -o "$work/c-pc-consumer" "$src/tests/install/c_consumer/main.c" $(pkg-config --cflags --libs orvex-c)
"$work/c-pc-consumer" "$work/c-pkgconfig.nc"

# Fortran, when there is a compiler: the module through the CMake package (a
# Fortran-only project) and on the compiler's command line.
if command -v gfortran > /dev/null; then
  test -f "$work/prefix/include/orvex.mod"
  cmake -S "$src/tests/install/fortran_consumer" -B "$work/f-build" -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/f-cfg.log"
  cmake --build "$work/f-build" > "$work/f-build.log" || { cat "$work/f-build.log"; exit 1; }
  "$work/f-build/fortran_consumer" "$work/f-cmake.nc"
  libdir=$(dirname "$(ls "$work"/prefix/lib*/liborvex_fortran.a)")
  gfortran -o "$work/f-cl-consumer" -I"$work/prefix/include" "$src/tests/install/fortran_consumer/main.f90" \
    -L"$libdir" -lorvex_fortran -lorvex -lnetcdf -lstdc++
  "$work/f-cl-consumer" "$work/f-cl.nc"
fi

# add_subdirectory: the library and its alias, but no tests, benchmarks or
# fuzz targets of orvex's own.
cmake -S "$src/tests/install/parent" -B "$work/parent-build" -DORVEX_SOURCE_DIR="$src" \
  -DCMAKE_BUILD_TYPE=Release > "$work/parent-cfg.log"
if [ -e "$work/parent-build/orvex/tests" ] || [ -e "$work/parent-build/orvex/bench" ]; then
  echo "install_test: add_subdirectory configured orvex's tests or benchmarks" >&2
  exit 1
fi
cmake --build "$work/parent-build" -j "$(nproc)" --target consumer > "$work/parent-build.log" ||
  { cat "$work/parent-build.log"; exit 1; }
"$work/parent-build/consumer" "$work/parent.nc"

# The parallel library, when it was built: its CMake target and orvex-mpi.pc,
# each program run by mpirun at 2 ranks.
if ls "$work"/prefix/lib*/liborvex_mpi.a > /dev/null 2>&1; then
  if [ "$(id -u)" = 0 ]; then export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1; fi
  cmake -S "$src/tests/install/mpi_consumer" -B "$work/mpi-build" -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/mpi-cfg.log"
  cmake --build "$work/mpi-build" > "$work/mpi-build.log" || { cat "$work/mpi-build.log"; exit 1; }
  mpirun -np 2 --oversubscribe "$work/mpi-build/mpi_consumer" "$work/mpi-cmake.nc"
  # shellcheck disable=SC2046
  g++ -o "$work/mpi-pc-consumer" "$src/tests/install/mpi_consumer/main.cpp" $(pkg-config --cflags --libs orvex-mpi)
  mpirun -np 2 --oversubscribe "$work/mpi-pc-consumer" "$work/mpi-pkgconfig.nc"
  echo "install_test: the parallel library's two consumers built and ran"
fi

# The Python package, installed as the README's second way says (pip --target
# and PYTHONPATH) from a copy of python/, imported in a clean environment; it
# reads the file the CMake consumer wrote.
if ls "$build"/python/orvex/_core*.so > /dev/null 2>&1; then
  cp -r "$src/python" "$work/python-src"
  rm -rf "$work/python-src/build" "$work"/python-src/*.egg-info
  ORVEX_BUILD_DIR=$build /usr/bin/python3 -m pip install --quiet --root-user-action=ignore --no-build-isolation \
    --no-deps --target "$work/py" "$work/python-src" > "$work/pip.log" 2>&1 || { cat "$work/pip.log"; exit 1; }
  env -i PATH=/usr/bin:/bin HOME="$work" LOGFILE=/dev/null PYTHONPATH="$work/py" /usr/bin/python3 - "$work/cmake.nc" <<'PY'
import sys
import orvex
with orvex.open(sys.argv[1]) as f:
    assert f.variables == ["HEIGHT"] and f.times.size == 0, (f.variables, f.times)
    assert f.read("HEIGHT", layer=1).tolist() == [[1, 2, 3], [4, 5, 6]]
print("python consumer: OK")
PY
fi
echo "install_test: all consumers built and ran"
