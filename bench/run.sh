#!/usr/bin/env bash
# Builds the optimised benchmarks and prints the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --workflow --preset bench >/dev/null
python3 bench/report.py build-bench
