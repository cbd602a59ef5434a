#!/usr/bin/env bash
# Checks what users install: the manual page renders without warnings, and
# the Debian package unpacks into a scratch root whose program extracts the
# sample disk.
set -euo pipefail
cd "$(dirname "$0")/.."

mandoc -T lint -W warning man/d88extract.1
warnings=$(groff -man -Tutf8 -ww -z -K utf8 man/d88extract.1 2>&1)
if [ -n "$warnings" ]; then
  printf '%s\n' "$warnings"
  exit 1
fi

cmake --workflow --preset deb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x build/d88extract_*.deb "$scratch/root"
test -f "$scratch/root/usr/share/man/man1/d88extract.1"
build/builder/d88-make-sample "$scratch/sample.d88"
mkdir "$scratch/out"
(cd "$scratch/out" && "$scratch/root/usr/bin/d88extract" ../sample.d88 >../listing)
test "$(ls "$scratch/out" | wc -l)" -eq 35
echo "package: installs and extracts the sample ($(wc -l <"$scratch/listing") listing lines)"
