#!/usr/bin/env bash
# Installs the built library into a fresh prefix and builds a consumer against
# it twice: through find_package(Tavorin) and through pkg-config.
set -euo pipefail
build_dir="$1"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/include/tavorin/windows.h"
test ! -e "$work/prefix/include/windows.h"

cmake -S "$here/consumer" -B "$work/cmake-build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib" "$work/cmake-build/consumer" "$here/consumer/main.cpp"

libdir=$(find "$work/prefix" -name tavorin.pc -printf '%h\n')
export PKG_CONFIG_PATH="$libdir"
# shellcheck disable=SC2046
c++ -Wall -Wextra -Wpedantic -Werror "$here/consumer/main.cpp" -o "$work/pc-consumer" $(pkg-config --cflags --libs tavorin)
LD_LIBRARY_PATH="$work/prefix/lib" "$work/pc-consumer" "$here/consumer/main.cpp"
