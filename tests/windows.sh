#!/usr/bin/env bash
# The Windows build, tested under Wine: cross-compiles d88extract.exe and the
# unit tests with MinGW-w64, runs the unit tests under Wine, packs the zip,
# runs the end-to-end suite of the native build against the .exe, and checks
# the zip: its files, the .exe's version resource, and the drop target
# extract-here.cmd on an image whose name holds spaces and Japanese.
# Needs g++-mingw-w64-x86-64, wine64 and unzip (Debian packages).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export WINEPREFIX=$root/build-windows/wineprefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64
# Make the prefix before anything is timed or compared: the first start of
# Wine creates it and says so on standard error.
mkdir -p "$root/build-windows"
"$wine" wineboot --init >/dev/null 2>&1 || true

rm -f build-windows/d88extract-*.zip
cmake --workflow --preset windows
cmake --preset default >/dev/null
cmake --build --preset default --target program_tests d88-make-sample
D88EXTRACT_PROGRAM=$root/build-windows/d88extract.exe \
D88EXTRACT_LAUNCHER=$wine \
  ctest --test-dir build -L program -j2 --output-on-failure

zip=$(ls build-windows/d88extract-*-windows-x86_64.zip)
version=$(basename "$zip" | sed 's/d88extract-\(.*\)-windows-x86_64.zip/\1/')
unzip -l "$zip"
listed=$(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | sort | tr '\n' ' ')
test "$listed" = "LICENSE.txt README-Windows.txt d88extract.exe extract-here.cmd "
strings -el build-windows/d88extract.exe | grep -qx "$version"
head -c 3 packaging/windows/README-Windows.txt | cmp -s - <(printf '\xef\xbb\xbf')
# Every line of the licence ends in CR LF.
test "$(unzip -p "$zip" '*/LICENSE.txt' | grep -vc $'\r$')" -eq 0

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unzip -q "$zip" -d "$scratch"
cmd=$scratch/d88extract-$version-windows-x86_64/extract-here.cmd
dos() { printf 'Z:%s' "$1" | tr / '\\'; }
# Dropped on the .cmd, as its full path; given by a relative path from a
# prompt; and an image the program refuses. The key that pause waits for comes
# from the pipe.
drop() { (cd "$scratch" && echo | LC_ALL=C.UTF-8 "$wine" cmd /c "$(dos "$cmd")" "$1" >"$scratch/shown" 2>&1) || true; }
build/builder/d88-make-sample "$scratch/ぷよ ぷよ (1).d88"
drop "$(dos "$scratch/ぷよ ぷよ (1).d88")"
test "$(ls "$scratch/ぷよ ぷよ (1)" | wc -l)" -eq 35
grep -q 'Done: every file is in' "$scratch/shown"
listed=$(grep -c 'START:' "$scratch/shown")
rm -rf "$scratch/ぷよ ぷよ (1)"
drop "ぷよ ぷよ (1).d88"
test "$(ls "$scratch/ぷよ ぷよ (1)" | wc -l)" -eq 35
printf 'not a disk\n' >"$scratch/bad.d88"
drop "bad.d88"
test ! -e "$scratch/bad"
grep -q 'Nothing was extracted from this image' "$scratch/shown"
echo "windows: the zip holds what users need, and extract-here.cmd extracted the sample" \
  "into \"ぷよ ぷよ (1)\" beside it by its full and its relative path ($listed listing lines" \
  "shown), and left no folder for a refused image"
