// Runs the whole extraction on the input, as the program does, inside a
// scratch folder, and checks afterwards that nothing appeared beside it and
// that every file in it has a name the extraction may write.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>

#include "d88_image.h"
#include "directory_entry.h"
#include "fuzz_support.h"
#include "output_folder.h"
#include "report.h"
#include "volume_extraction.h"

namespace fs = std::filesystem;

namespace {

struct Place {
  fs::path root = d88::fuzz::scratchFolder("extract");
  fs::path image = root / "input.d88";
  fs::path work = root / "work";
  d88::OutputStream quiet = d88::describeStream(std::fopen("/dev/null", "w"));
  Place() {
    fs::create_directories(work);
    fs::current_path(work);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Place place;
  static auto buffers = std::make_unique<d88::VolumeBuffers>();
  for (const auto& item : fs::directory_iterator(place.work)) fs::remove_all(item.path());
  if (!d88::fuzz::writeInput(place.image.string(), data, size)) return 0;

  d88::D88Image image;
  FUZZ_CHECK(image.open(place.image.c_str()));
  image.selectDisk(0);
  if (image.mediaType() == d88::kMedia2DD || image.mediaType() == d88::kMedia2HD) {
    // Zero-filled once, as in the program.
    *buffers = d88::VolumeBuffers{};
    d88::OutputFolder folder;
    d88::Report report{&place.quiet, &place.quiet, &folder};
    d88::extractVolumes(image, *buffers, d88::reportSink(report));
  }

  size_t files = 0;
  for (const auto& item : fs::directory_iterator(place.work)) {
    FUZZ_CHECK(item.is_regular_file());
    // An entry's name, never a temporary left behind.
    FUZZ_CHECK(item.path().filename().string().size() <= d88::kNameBytes);
    FUZZ_CHECK(d88::isSafeFileName(item.path().filename().c_str()));
    ++files;
  }
  FUZZ_CHECK(files <= 2 * d88::kDirectoryEntries + 1);
  const std::set<fs::path> expected = {place.image, place.work};
  for (const auto& item : fs::directory_iterator(place.root)) {
    FUZZ_CHECK(expected.count(item.path()) == 1);
  }
  FUZZ_CHECK(fs::current_path() == place.work);
  return 0;
}
