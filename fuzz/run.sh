#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS (default 60) over a seed
# corpus: the image builder's crafted images and the golden fixtures' images
# (tests/fixtures/*/image.d88). Any crash, sanitizer report or failed check
# fails the run; the input that caused it is left in build-fuzz/findings/.
#   fuzz/run.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

# The targets work in scratch folders of their own (d88fuzz-*, on /dev/shm
# where it exists); remove them when done.
trap 'rm -rf /dev/shm/d88fuzz-* "${TMPDIR:-/tmp}"/d88fuzz-*' EXIT

cmake --workflow --preset fuzz >/dev/null
# Absolute paths: the extraction target works inside a folder of its own.
out=$(pwd)/build-fuzz
dict=$(pwd)/fuzz/d88.dict
rm -rf "$out/seeds"
mkdir -p "$out/seeds" "$out/findings"
"$out/builder/d88-make-crafted" "$out/seeds" 262144
for fixture in tests/fixtures/*/image.d88; do
  cp "$fixture" "$out/seeds/fixture-$(basename "$(dirname "$fixture")").d88"
done

# The reader target is about the walks, which small images exercise as well as
# large ones at many times the speed; the extraction needs whole volumes.
declare -A max_len=([reader_fuzz]=16384 [extract_fuzz]=262144)
for target in reader_fuzz extract_fuzz; do
  corpus="$out/corpus-$target"
  log="$out/$target.log"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  if ! "$out/fuzz/$target" "$corpus" "$out/seeds" \
      -dict="$dict" -max_len="${max_len[$target]}" -max_total_time="$seconds" -timeout=20 \
      -print_final_stats=1 -artifact_prefix="$out/findings/$target-" "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: a finding; the input is in $out/findings/"
    exit 1
  fi
  grep -E '^(#[0-9]+ +DONE|stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb))' "$log"
  grep -E '^#[0-9]+' "$log" | tail -n 1
done
