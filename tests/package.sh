#!/usr/bin/env bash
# Checks what users install on Linux: the manual page renders without
# warnings; the Debian package builds without GoogleTest, passes lintian with
# no error or warning, installs with dpkg into a scratch root, whose manual
# page man shows and whose program extracts the sample disk.
# Needs lintian, mandoc, groff-base, man-db and dpkg-dev.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset deb >/dev/null
if grep -q '^GTest_DIR' build-package/CMakeCache.txt; then
  echo "the package build looked for GoogleTest"
  exit 1
fi
page=build-package/docs/d88extract.1
mandoc -T lint -W warning "$page"
warnings=$(groff -man -Tutf8 -ww -z -K utf8 "$page" 2>&1)
if [ -n "$warnings" ]; then
  printf '%s\n' "$warnings"
  exit 1
fi

deb=$(ls build-package/d88extract_*.deb)
lintian --fail-on error,warning --info "$deb" 2>&1 | grep -v 'root privileges' || true
lintian --fail-on error,warning "$deb" >/dev/null 2>&1

# A scratch root whose dpkg database holds only what the package depends on,
# as installed here.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*//; s/ //g')
for package in $depends; do
  dpkg-query -s "$package" >>"$root/var/lib/dpkg/status"
  echo >>"$root/var/lib/dpkg/status"
  : >"$root/var/lib/dpkg/info/$(dpkg-query -W -f '${binary:Package}' "$package").list"
done
dpkg --root="$root" -i "$deb" >/dev/null
MANPATH=$root/usr/share/man man -P cat d88extract | grep -q 'd88extract - extract the files'

build-package/builder/d88-make-sample "$scratch/sample.d88"
mkdir "$scratch/out"
(cd "$scratch/out" && "$root/usr/bin/d88extract" ../sample.d88 >../listing)
test "$(ls "$scratch/out" | wc -l)" -eq 35
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes) is lintian-clean, installs," \
  "its manual page shows, and it extracts the sample ($(wc -l <"$scratch/listing") listing lines)"
