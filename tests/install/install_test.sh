#!/usr/bin/env bash
# Installs the built project into a temporary prefix and builds a program
# outside the project against it, once through the CMake package and once
# through pkg-config; both must build, run and read back what they wrote.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LOGFILE=/dev/null

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
test -f "$work/prefix/include/orvex/orvex.hpp"
test -x "$work/prefix/bin/pondra"
ls "$work"/prefix/lib*/liborvex.a "$work"/prefix/lib*/pkgconfig/orvex.pc > /dev/null

# The CMake package.
cmake -S "$src/tests/install/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/cfg.log"
cmake --build "$work/cmake-build" > "$work/build.log"
"$work/cmake-build/consumer" "$work/cmake.nc"

# pkg-config.
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$(ls "$work"/prefix/lib*/pkgconfig/orvex.pc)")
# shellcheck disable=SC2046
g++ -o "$work/pc-consumer" "$src/tests/install/consumer/main.cpp" $(pkg-config --cflags --libs orvex)
"$work/pc-consumer" "$work/pkgconfig.nc"
echo "install_test: both consumers built and ran"
