#include "hostile_images.h"

#include "d88_format.h"

namespace d88::build {

namespace {

Disk namedByEveryEntry(std::vector<Sector> records) {
  Disk disk;
  disk.tracks[0] = std::move(records);
  for (int track = 1; track < kTrackCount; ++track) {
    disk.trackOffsetOverrides[track] = kHeaderSize;  // where track 0 starts
  }
  return disk;
}

}  // namespace

Disk zeroLengthTrackDisk() {
  return namedByEveryEntry(std::vector<Sector>(0xFFFF, Sector{0, 0, 0, 0, {}, {}, {}, 0}));
}

Disk disagreeingChainDisk(size_t bytes) {
  std::vector<Sector> records(bytes / kSectorHeaderSize, Sector{0, 0, 0, 0, {}, 1, {}, 0});
  // Record i ends the walk only if its count is i + 1: none is.
  records.front().sectorsInTrack = 2;
  return namedByEveryEntry(std::move(records));
}

Bytes sixtyFourDiskImage() {
  Disk disk;
  disk.tracks[0] = formatTrack(0, 0, 0, 1, 26, [](int r) {
    return patternBytes(128, static_cast<uint32_t>(r));
  });
  return buildImage(std::vector<Disk>(kMaxDisks, disk));
}

}  // namespace d88::build
