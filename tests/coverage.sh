#!/usr/bin/env bash
# Line and branch coverage of the product by the test suite, with
# clang's source-based coverage (every process the tests start writes its own
# profile, so the end-to-end runs of the program count too).
#   tests/coverage.sh        report in the terminal; HTML in build-coverage/html
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/build-coverage

cmake --workflow --preset coverage-build >/dev/null
rm -rf "$out/profiles"
mkdir -p "$out/profiles"
LLVM_PROFILE_FILE="$out/profiles/%p-%m.profraw" ctest --test-dir "$out" -j2 >/dev/null
llvm-profdata merge -sparse "$out"/profiles/*.profraw -o "$out/merged.profdata"

objects=("$out/d88extract" -object "$out/tests/unit_tests" -object "$out/tests/program_tests")
sources=("$root/image" "$root/volume" "$root/host" "$root/cli")
llvm-cov report "${objects[@]}" -instr-profile="$out/merged.profdata" "${sources[@]}"
llvm-cov show "${objects[@]}" -instr-profile="$out/merged.profdata" -format=html \
  -output-dir="$out/html" "${sources[@]}" >/dev/null
llvm-cov show "${objects[@]}" -instr-profile="$out/merged.profdata" "${sources[@]}" \
  -show-line-counts-or-regions | grep -E '^ +[0-9]+\| +0\|' >"$out/uncovered.txt" || true
echo "uncovered lines: $out/uncovered.txt; HTML: $out/html/index.html"
