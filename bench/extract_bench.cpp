// The whole extraction in-process, each case beside its floor: the same image
// read once and the same files written, nothing parsed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "d88_image.h"
#include "extraction.h"
#include "floor.h"
#include "hostile_images.h"
#include "output_folder.h"
#include "report.h"
#include "volume_builder.h"

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
  Report report{&devNull(), &devNull()};
  extractVolumes(reader, *buffers, folder, report);
  return report.allWritten;
}

Case makeCase(const std::string& name, const build::Bytes& bytes) {
  Case c;
  c.image = (scratch().root / (name + ".d88")).string();
  build::writeBytes(c.image, bytes);
  c.folder = scratch().root / name;
  fs::create_directories(c.folder);
  fs::current_path(c.folder);
  extractOnce(c.image);
  c.outputs = filesOf(c.folder.string());
  return c;
}

const Case& sampleCase() {
  static const Case c = makeCase("sample", build::buildDisk(build::toDisk(build::sampleDisk())));
  return c;
}
const Case& zeroLengthCase() {
  static const Case c =
      makeCase("zero-length-track", build::buildDisk(build::zeroLengthTrackDisk()));
  return c;
}
const Case& chainCase() {
  static const Case c =
      makeCase("disagreeing-chain", build::buildDisk(build::disagreeingChainDisk(2 << 20)));
  return c;
}

// Each case is built lazily, on the first run that needs it.
using CaseMaker = const Case& (*)();

void BM_Extract(benchmark::State& state, CaseMaker makeCase) {
  const Case& c = makeCase();
  fs::current_path(c.folder);
  for (auto _ : state) benchmark::DoNotOptimize(extractOnce(c.image));
  state.counters["files"] = static_cast<double>(c.outputs.size());
}

void BM_Floor(benchmark::State& state, CaseMaker makeCase) {
  const Case& c = makeCase();
  fs::current_path(c.folder);
  for (auto _ : state) benchmark::DoNotOptimize(floorCopy(c.image.c_str(), c.outputs));
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

BENCHMARK_CAPTURE(BM_Extract, Sample, sampleCase)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Floor, Sample, sampleCase)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Extract, ZeroLengthTrack, zeroLengthCase)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, ZeroLengthTrack, zeroLengthCase)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Extract, DisagreeingChain, chainCase)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, DisagreeingChain, chainCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Open_SixtyFourDisks)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace d88::bench

BENCHMARK_MAIN();
