#!/usr/bin/env bash
# The Windows build, tested under Wine: cross-compiles d88extract.exe and the
# unit tests with MinGW-w64, runs the unit tests under Wine, packs the zip,
# runs the end-to-end suite of the native build against the .exe, and checks
# the zip: its files, the .exe's version resource, and the drop target
# extract-here.exe on images whose names hold spaces, Japanese and what a
# command interpreter would take for commands, several at once.
# Needs g++-mingw-w64-x86-64, wine64 and unzip (Debian packages).
# The windows test preset runs a unit test a second time if it fails: once a
# test that cannot fail on its own exited at once under Wine with no output,
# which is Wine's start, not the test. A second failure fails the run.
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
cmake --build --preset default --target program_tests d88-make-sample d88-make-crafted
D88EXTRACT_PROGRAM=$root/build-windows/d88extract.exe \
D88EXTRACT_LAUNCHER=$wine \
  ctest --test-dir build -L program -j2 --output-on-failure

zip=$(ls build-windows/d88extract-*-windows-x86_64.zip)
version=$(basename "$zip" | sed 's/d88extract-\(.*\)-windows-x86_64.zip/\1/')
unzip -l "$zip"
listed=$(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | sort | tr '\n' ' ')
test "$listed" = "LICENSE.txt README-Windows.txt d88extract.exe extract-here.exe "
strings -el build-windows/d88extract.exe | grep -qx "$version"
head -c 3 packaging/windows/README-Windows.txt | cmp -s - <(printf '\xef\xbb\xbf')
# Every line of the licence and of the README ends in CR LF, for Notepad.
for text in LICENSE.txt README-Windows.txt; do
  test "$(unzip -p "$zip" "*/$text" | grep -vc $'\r$')" -eq 0
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unzip -q "$zip" -d "$scratch"
target=$scratch/d88extract-$version-windows-x86_64/extract-here.exe
dos() { printf 'Z:%s' "$1" | tr / '\\'; }
# Dropped on extract-here.exe, as Explorer starts it: the full paths as its
# arguments, no command interpreter between. A relative path works too.
drop() { (cd "$scratch" && echo | LC_ALL=C.UTF-8 "$wine" "$target" "$@" >"$scratch/shown" 2>&1) || true; }
build/builder/d88-make-sample "$scratch/ぷよ ぷよ (1).d88"
drop "$(dos "$scratch/ぷよ ぷよ (1).d88")"
test "$(ls "$scratch/ぷよ ぷよ (1)" | wc -l)" -eq 35
grep -q 'Done: every file is in' "$scratch/shown"
listed=$(grep -c 'START:' "$scratch/shown")
rm -rf "$scratch/ぷよ ぷよ (1)"
drop "ぷよ ぷよ (1).d88"
test "$(ls "$scratch/ぷよ ぷよ (1)" | wc -l)" -eq 35
# Names cmd would split at &, strip of ^ or expand at %: three at once.
names=('x&mkdir;PWNED&' 'a^b (1)!' 'p%PATH%q 50% two')
for name in "${names[@]}"; do build/builder/d88-make-sample "$scratch/$name.d88"; done
drop "$(dos "$scratch/${names[0]}.d88")" "$(dos "$scratch/${names[1]}.d88")" "${names[2]}.d88"
for name in "${names[@]}"; do test "$(ls "$scratch/$name" | wc -l)" -eq 35; done
test "$(grep -c 'Done: every file is in' "$scratch/shown")" -eq 3
test ! -e "$scratch/PWNED" && test ! -e "$scratch/d88extract-$version-windows-x86_64/PWNED"
# Refused, and recognised with neither directory readable: no folder is left.
printf 'not a disk\n' >"$scratch/bad.d88"
build/builder/d88-make-crafted "$scratch" && mv "$scratch/track-offsets-huge.d88" "$scratch/blank.d88"
drop "bad.d88" "blank.d88"
test ! -e "$scratch/bad" && test ! -e "$scratch/blank"
test "$(grep -c 'Nothing was extracted from this image' "$scratch/shown")" -eq 2
# Never mixed or merged: a folder of the image's name that is there already,
# with the person's own DATA, is left as it is; two images of one stem get a
# folder each, and what is said names them.
mkdir "$scratch/game" && echo mine >"$scratch/game/DATA"
build/builder/d88-make-sample "$scratch/game.d88" && cp "$scratch/game.d88" "$scratch/game.d98"
drop "game.d88" "game.d98"
test "$(cat "$scratch/game/DATA")" = mine && test "$(ls "$scratch/game" | wc -l)" -eq 1
test "$(ls "$scratch/game (2)" | wc -l)" -eq 35 && test "$(ls "$scratch/game (3)" | wc -l)" -eq 35
grep -q 'Done: every file is in ".*game (2)"' "$scratch/shown"
grep -q 'Done: every file is in ".*game (3)"' "$scratch/shown"
# A FIFO is a pipe to the .exe too: copied, not taken for a file that seeks.
mkfifo "$scratch/pipe.d88"
mkdir "$scratch/piped"
(build/builder/d88-make-sample "$scratch/pipe.d88" &)
(cd "$scratch/piped" && "$wine" "${target%/*}/d88extract.exe" "$(dos "$scratch/pipe.d88")" >/dev/null)
test "$(ls "$scratch/piped" | wc -l)" -eq 35
echo "windows: the zip holds what users need, and extract-here.exe extracted the sample" \
  "into \"ぷよ ぷよ (1)\" beside it by its full and its relative path ($listed listing lines" \
  "shown), three images named with &, ^, %, ! at once, and left no folder for a refused" \
  "image nor for one whose directories could not be read, made game (2) and game (3) beside" \
  "the person's own game folder; the .exe read an image from a FIFO"
