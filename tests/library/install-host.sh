#!/usr/bin/env bash
# Installs the built library into a scratch prefix and builds a C host against it
# twice: through pkg-config and through the CMake package.
set -euo pipefail
build_dir="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null

cat > "$work/host.c" <<'C'
#include <dulo/DuloModelDataLib.h>
#include <stdio.h>
int main(void) {
    VARIANT v;
    VariantInit(&v);
    int rc = CleanUpTableRead();
    VariantClear(&v);
    printf("%d\n", rc);
    return rc == 1 ? 0 : 1;
}
C

libdir=$(find "$work/prefix" -name 'libDuloModelDataLib.so' -printf '%h\n' | head -1)
export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -std=c11 -Wall -Werror "$work/host.c" -o "$work/host-pc" $(pkg-config --cflags --libs DuloModelData)
[ "$(LD_LIBRARY_PATH="$libdir" "$work/host-pc")" = 1 ]

mkdir -p "$work/cm"
cat > "$work/cm/CMakeLists.txt" <<'CM'
cmake_minimum_required(VERSION 3.22)
project(host C)
find_package(DuloModelData REQUIRED)
add_executable(host ../host.c)
target_link_libraries(host PRIVATE Dulo::DuloModelDataLib)
CM
cmake -S "$work/cm" -B "$work/cm/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cm/build" >/dev/null
[ "$(LD_LIBRARY_PATH="$libdir" "$work/cm/build/host")" = 1 ]
[ -x "$work/prefix/bin/dulo" ]
echo "installed library links through pkg-config and find_package"
