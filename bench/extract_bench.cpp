// The whole extraction in-process, each case beside its floor: the same image
// read once and the same files written, nothing parsed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "d88_image.h"
#include "floor.h"
#include "hostile_images.h"
#include "output_folder.h"
#include "report.h"
#include "volume_builder.h"
#include "volume_extraction.h"
#include "walk_shapes.h"

namespace fs = std::filesystem;

namespace d88::bench {
namespace {

struct Scratch {
  fs::path root = fs::temp_directory_path() / ("d88bench-" + std::to_string(::getpid()));
  Scratch() { fs::create_directories(root); }
  ~Scratch() { fs::remove_all(root); }
};

Scratch& scratch() {
  static Scratch instance;
  return instance;
}

OutputStream& devNull() {
  static OutputStream sink = describeStream(std::fopen("/dev/null", "w"));
  return sink;
}

// The image for one case, written once, and the folder its files land in.
struct Case {
  std::string image;
  fs::path folder;
  std::vector<OutputFile> outputs;
};

bool extractOnce(const std::string& image) {
  D88Image reader;
  if (!reader.open(image.c_str())) return false;
  reader.selectDisk(0);
  auto buffers = std::make_unique<VolumeBuffers>();
  OutputFolder folder;
  Report report{&devNull(), &devNull(), &folder};
  extractVolumes(reader, *buffers, reportSink(report));
  return report.allWritten;
}

template <typename Write>
const Case& makeCase(const std::string& name, Write write) {
  static std::map<std::string, Case> cases;
  if (const auto found = cases.find(name); found != cases.end()) return found->second;
  Case c;
  c.image = (scratch().root / (name + ".d88")).string();
  write(c.image);
  c.folder = scratch().root / name;
  fs::create_directories(c.folder);
  fs::current_path(c.folder);
  extractOnce(c.image);
  c.outputs = filesOf(c.folder.string());
  return cases[name] = c;
}

// Cases by number, for the benchmarks' arguments: 0 the sample disk, 1 and 2
// the old worst cases, 3 on the walk shapes of walk_shapes.h with a size in MiB.
const Case& caseFor(const benchmark::State& state) {
  const auto number = state.range(0);
  if (number == 0) {
    return makeCase("sample", [](const std::string& path) {
      build::writeBytes(path, build::buildDisk(build::toDisk(build::sampleDisk())));
    });
  }
  if (number == 1) {
    return makeCase("zero-length-track", [](const std::string& path) {
      build::writeBytes(path, build::buildDisk(build::zeroLengthTrackDisk()));
    });
  }
  if (number == 2) {
    return makeCase("disagreeing-chain", [](const std::string& path) {
      build::writeBytes(path, build::buildDisk(build::disagreeingChainDisk(2 << 20)));
    });
  }
  const build::WalkShape shape = build::kWalkShapes[number - 3];
  const auto mebibytes = static_cast<uint64_t>(state.range(1));
  return makeCase(
      std::string(build::shapeName(shape)) + "-" + std::to_string(mebibytes),
      [&](const std::string& path) { build::writeShapeImage(path, shape, mebibytes << 20); });
}

void BM_Extract(benchmark::State& state) {
  const Case& c = caseFor(state);
  fs::current_path(c.folder);
  for (auto _ : state) benchmark::DoNotOptimize(extractOnce(c.image));
  state.counters["files"] = static_cast<double>(c.outputs.size());
}

void BM_Floor(benchmark::State& state) {
  const Case& c = caseFor(state);
  fs::current_path(c.folder);
  for (auto _ : state) benchmark::DoNotOptimize(floorCopy(c.image.c_str(), c.outputs));
}

void cases(benchmark::internal::Benchmark* b) {
  b->Args({0, 0})->Args({1, 0})->Args({2, 0});
  for (int64_t shape : {3, 4, 5}) {
    for (int64_t mebibytes : {1, 16, 64}) b->Args({shape, mebibytes});
  }
  b->Args({5, 1024});  // the sparse one, as a gigabyte on 65 MB of disk
}

void BM_Open_SixtyFourDisks(benchmark::State& state) {
  static const std::string path = [] {
    const std::string p = (scratch().root / "64disks.d88").string();
    build::writeBytes(p, build::sixtyFourDiskImage());
    return p;
  }();
  for (auto _ : state) {
    D88Image reader;
    reader.open(path.c_str());
    benchmark::DoNotOptimize(reader.diskCount());
  }
}

BENCHMARK(BM_Extract)->Apply(cases)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor)->Apply(cases)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_SixtyFourDisks)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace d88::bench

BENCHMARK_MAIN();
