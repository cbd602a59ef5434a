#!/usr/bin/env python3
"""Runs the benchmarks and prints each extraction beside its floor (the same
image read once and the same files written, each through a rename, nothing
parsed), with the ratios; then the walk shapes at each size, how time grows
from 16 to 64 MiB, and the peak memory of the real program on each (GNU
time's %M); then the system calls of the real program and of the floor
program (strace -c -f), where those tools are installed, and on a full disk
the calls each file costs, by call, beside the floor's.

    python3 bench/report.py BUILD_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
bench = os.path.join(build, "bench", "d88_bench")
extract = os.path.abspath(os.path.join(build, "d88extract"))
floor = os.path.abspath(os.path.join(build, "bench", "d88-floor-copy"))
make_sample = os.path.join(build, "builder", "d88-make-sample")
make_worst = os.path.join(build, "builder", "d88-make-worst-case")
SHAPES = {3: "junk-before-volume", 4: "one-id-164-starts", 5: "sparse-64k-records"}
print(f"cores: {os.cpu_count()}")

result = subprocess.run(
    [bench, "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
     "--benchmark_format=json"], check=True, capture_output=True, text=True)
medians = {}
for row in json.loads(result.stdout)["benchmarks"]:
    if row.get("aggregate_name") == "median":
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[row["time_unit"]]
        # "BM_Extract/3/16" -> ("Extract", 3, 16)
        parts = row["run_name"].removeprefix("BM_").split("/")
        key = (parts[0], *map(int, parts[1:]))
        medians[key] = row["real_time"] * scale

print("\nmedian wall time, ms (5 runs)")
print(f"{'case':<22}{'extract':>12}{'floor':>12}{'ratio':>9}{'vs sample':>11}")
sample = medians[("Extract", 0, 0)]
for number, case in ((0, "sample"), (1, "zero-length-track"), (2, "disagreeing-chain")):
    ours, base = medians[("Extract", number, 0)], medians[("Floor", number, 0)]
    print(f"{case:<22}{ours:>12.3f}{base:>12.3f}{ours / base:>9.2f}{ours / sample:>11.1f}")
print(f"{'open, 64 disks':<22}{medians[('Open_SixtyFourDisks',)]:>12.4f}")

print("\nwalk shapes: median wall time, ms (5 runs), in-process")
print(f"{'shape':<22}{'MiB':>6}{'extract':>12}{'floor':>12}{'ratio':>9}")
for number, shape in SHAPES.items():
    sizes = sorted(k[2] for k in medians if k[0] == "Extract" and k[1] == number)
    for size in sizes:
        ours, base = medians[("Extract", number, size)], medians[("Floor", number, size)]
        print(f"{shape:<22}{size:>6}{ours:>12.3f}{base:>12.3f}{ours / base:>9.2f}")
    growth = medians[("Extract", number, 64)] / medians[("Extract", number, 16)]
    print(f"{'':<22}{'':>6}  16 -> 64 MiB: {growth:.2f}x")


def run_in(folder, command):
    """Wall seconds and peak kilobytes of one run, from GNU time."""
    with tempfile.NamedTemporaryFile(mode="r") as log:
        subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", log.name, *command], cwd=folder,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        seconds, kilobytes = log.read().split()[-2:]
        return float(seconds), int(kilobytes)


if os.path.exists("/usr/bin/time"):
    print("\nwalk shapes: the real program, one run each (GNU time)")
    print(f"{'shape':<22}{'MiB':>6}{'seconds':>10}{'peak KB':>10}{'floor s':>10}{'floor KB':>10}")
    with tempfile.TemporaryDirectory() as root:
        for shape in SHAPES.values():
            for size in (1, 16, 64) + ((1024,) if shape == "sparse-64k-records" else ()):
                image = os.path.join(root, "shape.d88")
                subprocess.run([make_worst, shape, str(size), image], check=True)
                ours_dir, floor_dir = tempfile.mkdtemp(dir=root), tempfile.mkdtemp(dir=root)
                run_in(ours_dir, [extract, image])  # the first read of a file pays for its cache
                seconds, peak = run_in(ours_dir, [extract, image])
                floor_seconds, floor_peak = run_in(floor_dir, [floor, image, ours_dir])
                print(f"{shape:<22}{size:>6}{seconds:>10.2f}{peak:>10}"
                      f"{floor_seconds:>10.2f}{floor_peak:>10}")
                os.remove(image)

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


def traced(command, cwd):
    """The name of each system call of a run, in order, with its line."""
    with tempfile.NamedTemporaryFile() as log:
        subprocess.run(["strace", "-f", "-qq", "-o", log.name, *command], cwd=cwd,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        calls = []
        for line in open(log.name, errors="replace"):
            match = re.match(r"(?:\d+ +)?(\w+)\(", line)
            if match:
                calls.append((match.group(1), line))
        return calls


def at_first_file(calls):
    """The calls before the first file is created, and from there on."""
    for i, (name, line) in enumerate(calls):
        if name == "openat" and "O_CREAT" in line:
            return calls[:i], calls[i:]
    return calls, []


# The floor's own start-up reads its manifest: it is counted from its first
# file on, after the program's own start-up and image reading.
print("\nsystem calls per file, full disk: the program beside the floor")
with tempfile.TemporaryDirectory() as root:
    image = os.path.join(root, "full.d88")
    subprocess.run([make_worst, "full-disk", image], check=True)
    reference = os.path.join(root, "reference")
    os.makedirs(reference)
    subprocess.run([extract, image], cwd=reference, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    files = len(os.listdir(reference))
    rows, totals = {}, {}
    for case in ("empty folder", "over an earlier run"):
        ours_dir = tempfile.mkdtemp(dir=root)
        floor_dir = tempfile.mkdtemp(dir=root)
        if case != "empty folder":
            for name in os.listdir(reference):
                shutil.copy2(os.path.join(reference, name), ours_dir)
        start, ours = at_first_file(traced([extract, image], ours_dir))
        _, base = at_first_file(traced([floor, image, reference], floor_dir))
        for label, calls in ((case, ours), ("floor", base if case == "empty folder" else [])):
            for name, _ in calls:
                rows.setdefault(name, {}).setdefault(label, 0)
                rows[name][label] += 1
        totals[case] = (len(start) + len(ours), len(start) + len(base))
    columns = ("empty folder", "over an earlier run", "floor")
    print(f"{files} files; {'call':<14}" + "".join(f"{c:>22}" for c in columns))
    for name in sorted(rows, key=lambda n: -max(rows[n].values())):
        if max(rows[name].values()) < files // 2:
            continue  # the run's own, not the files'
        print(f"{'':<{len(str(files)) + 8}}{name:<14}"
              + "".join(f"{rows[name].get(c, 0) / files:>22.2f}" for c in columns))
    for case, (ours, base) in totals.items():
        print(f"whole run, {case}: {ours} calls, floor {base}: {ours / base:.2f}x")

print("\nsystem calls per run")
print(f"{'case':<22}{'extract':>12}{'floor':>12}{'ratio':>9}")
with tempfile.TemporaryDirectory() as root:
    images = {"sample": os.path.join(root, "sample.d88"),
              "zero-length-track": os.path.join(root, "zero.d88"),
              "disagreeing-chain": os.path.join(root, "chain.d88")}
    subprocess.run([make_sample, images["sample"]], check=True)
    for case in ("zero-length-track", "disagreeing-chain"):
        subprocess.run([make_worst, case, images[case]], check=True)
    for case, image in images.items():
        ours_dir = os.path.join(root, case + "-extract")
        floor_dir = os.path.join(root, case + "-floor")
        os.makedirs(ours_dir)
        os.makedirs(floor_dir)
        ours = count_calls([extract, image], ours_dir)
        base = count_calls([floor, image, ours_dir], floor_dir)
        print(f"{case:<22}{ours:>12}{base:>12}{ours / base:>9.2f}")
