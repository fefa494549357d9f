#!/bin/sh
# Installs the library into a prefix of its own and builds a C99 program
# against it twice: with pkg-config, and as a CMake project with
# find_package(velmora). Also checks that only velmora_* symbols are exported.
# Arguments: the build folder, this folder, cmake.
set -eu
build=$1 here=$2 cmake=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cmake" --install "$build" --component library --prefix "$work/prefix" >/dev/null

pc=$(find "$work/prefix" -name velmora.pc)
export PKG_CONFIG_PATH="$(dirname "$pc")"
libdir=$(pkg-config --variable=libdir velmora)
test -e "$libdir/libvelmora.so.1"
test "$(objdump -p "$libdir/libvelmora.so.1" | awk '/SONAME/ {print $2}')" = libvelmora.so.1
others=$(nm -D --defined-only "$libdir/libvelmora.so.1" | awk '{print $3}' | grep -v '^velmora_' || true)
if [ -n "$others" ]; then echo "exported besides velmora_*: $others"; exit 1; fi

cc -std=c99 -Wall -Wextra -pedantic -Werror "$here/consumer/consumer.c" \
   $(pkg-config --cflags --libs velmora) -o "$work/with-pkg-config"
LD_LIBRARY_PATH=$libdir "$work/with-pkg-config" "$work/a.jpg"

"$cmake" -S "$here/consumer" -B "$work/project" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
"$cmake" --build "$work/project" >/dev/null
LD_LIBRARY_PATH=$libdir "$work/project/consumer" "$work/b.jpg"
