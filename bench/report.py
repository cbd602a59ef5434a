#!/usr/bin/env python3
"""Runs the benchmarks and prints each extraction beside its floor, with the
ratios, then the system calls of the real program and of the floor program
(from strace -c -f, where strace is installed).

    python3 bench/report.py BUILD_DIR
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
bench = os.path.join(build, "bench", "d88_bench")
extract = os.path.join(build, "d88extract")
floor = os.path.join(build, "bench", "d88-floor-copy")
make_sample = os.path.join(build, "builder", "d88-make-sample")
make_worst = os.path.join(build, "bench", "d88-make-worst-case")
print(f"cores: {os.cpu_count()}")

result = subprocess.run(
    [bench, "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
     "--benchmark_format=json"], check=True, capture_output=True, text=True)
medians = {}
for row in json.loads(result.stdout)["benchmarks"]:
    if row.get("aggregate_name") == "median":
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[row["time_unit"]]
        # "BM_Extract/Sample" -> "Extract_Sample"
        medians[row["run_name"].removeprefix("BM_").replace("/", "_")] = row["real_time"] * scale

print("\nmedian wall time, ms")
print(f"{'case':<20}{'extract':>14}{'floor':>12}{'ratio':>11}{'vs sample':>11}")
sample = medians.get("Extract_Sample")
for case in ("Sample", "ZeroLengthTrack", "DisagreeingChain"):
    ours, base = medians[f"Extract_{case}"], medians[f"Floor_{case}"]
    print(f"{case:<20}{ours:>14.3f}{base:>12.3f}{ours / base:>11.2f}{ours / sample:>11.1f}")
print(f"{'open, 64 disks':<20}{medians['Open_SixtyFourDisks']:>12.4f}")

if shutil.which("strace") is None:
    print("\nstrace not installed: no system call counts")
    sys.exit(0)


def count_calls(command, cwd):
    with tempfile.NamedTemporaryFile() as log:
        subprocess.run(["strace", "-c", "-f", "-o", log.name, *command], cwd=cwd,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for line in open(log.name):
            words = line.split()
            if words and words[-1] == "total":
                return int(words[3])
    return -1


print("\nsystem calls per run")
print(f"{'case':<20}{'extract':>14}{'floor':>12}{'ratio':>11}")
with tempfile.TemporaryDirectory() as root:
    images = {"Sample": os.path.join(root, "sample.d88"),
              "ZeroLengthTrack": os.path.join(root, "zero.d88"),
              "DisagreeingChain": os.path.join(root, "chain.d88")}
    subprocess.run([make_sample, images["Sample"]], check=True)
    subprocess.run([make_worst, images["ZeroLengthTrack"], images["DisagreeingChain"]],
                   check=True)
    for case, image in images.items():
        ours_dir = os.path.join(root, case + "-extract")
        floor_dir = os.path.join(root, case + "-floor")
        os.makedirs(ours_dir)
        os.makedirs(floor_dir)
        ours = count_calls([os.path.abspath(extract), image], ours_dir)
        base = count_calls([os.path.abspath(floor), image, ours_dir], floor_dir)
        print(f"{case:<20}{ours:>14}{base:>12}{ours / base:>11.2f}")
