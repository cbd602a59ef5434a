#!/usr/bin/env bash
# The Windows build, tested under Wine: cross-compiles d88extract.exe and the
# unit tests with MinGW-w64, runs the unit tests under Wine, packs the zip,
# then runs the end-to-end suite of the native build against the .exe.
# Needs g++-mingw-w64-x86-64 and wine64 (Debian packages).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export WINEPREFIX=$root/build-windows/wineprefix WINEDEBUG=-all
# Make the prefix before anything is timed or compared: the first start of
# Wine creates it and says so on standard error.
mkdir -p "$root/build-windows"
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true

cmake --workflow --preset windows
cmake --preset default >/dev/null
cmake --build --preset default --target program_tests
D88EXTRACT_PROGRAM=$root/build-windows/d88extract.exe \
D88EXTRACT_LAUNCHER=/usr/lib/wine/wine64 \
  ctest --test-dir build -L program -j2 --output-on-failure
