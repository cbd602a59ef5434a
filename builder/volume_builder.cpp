#include "volume_builder.h"

#include <algorithm>
#include <cstdio>

namespace d88::build {

int trackIndex(int side, int logicalTrack) {
  return 2 * logicalTrack + side;
}

void addEntry(VolumeSide& side, const std::string& name, uint8_t startTrack, uint8_t startSector,
              uint8_t endTrack, uint8_t endSector) {
  DirectoryEntry entry{};
  std::fill_n(entry.begin(), 6, uint8_t{' '});
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 6), entry.begin());
  for (size_t i = 6; i < 12; ++i) entry[i] = static_cast<uint8_t>(0x80 | i);  // ignored bytes
  entry[12] = startTrack;
  entry[13] = startSector;
  entry[14] = endTrack;
  entry[15] = endSector;
  side.entries.push_back(entry);
}

Bytes addFile(VolumeSide& side, const std::string& name, int sectors, uint32_t seed) {
  const int first = side.nextSector;
  const int last = first + sectors - 1;
  Bytes bytes = patternBytes(static_cast<size_t>(sectors) * kSectorBytes, seed);
  std::copy(bytes.begin(), bytes.end(),
            side.volume.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(first) * kSectorBytes));
  addEntry(side, name, static_cast<uint8_t>(first / kSectorsPerTrack),
           static_cast<uint8_t>(first % kSectorsPerTrack + 1),
           static_cast<uint8_t>(last / kSectorsPerTrack),
           static_cast<uint8_t>(last % kSectorsPerTrack + 1));
  side.nextSector = last + 1;
  side.files.emplace_back(name, bytes);
  return bytes;
}

Bytes bootBlock(const VolumeDisk& disk) {
  const auto start = disk.bootTrack.begin() + 13 * 128;
  return Bytes(start, start + 385);
}

namespace {

Bytes directoryBytes(const VolumeSide& side) {
  // A formatted directory is all end marks; without one, unused entries are 0.
  Bytes directory(kTrackBytes, side.endMark ? 0xFF : 0);
  for (size_t k = 0; k < side.entries.size() && k < kDirectoryEntries; ++k) {
    std::copy(side.entries[k].begin(), side.entries[k].end(),
              directory.begin() + static_cast<ptrdiff_t>(k * 16));
  }
  return directory;
}

}  // namespace

Disk toDisk(const VolumeDisk& volumeDisk) {
  Disk disk;
  disk.name = volumeDisk.name;
  disk.mediaType = volumeDisk.mediaType;
  disk.tracks[0] = formatTrack(0, 0, 0, 1, kBootSectors, [&](int r) {
    const auto start = volumeDisk.bootTrack.begin() + (r - 1) * 128;
    return Bytes(start, start + 128);
  });
  disk.tracks[1] = formatTrack(0, 1, 1, 1, kBootSectors, [](int r) {
    return patternBytes(256, 0x1000u + static_cast<uint32_t>(r));
  });
  for (int s = 0; s < 2; ++s) {
    const VolumeSide& side = volumeDisk.sides[static_cast<size_t>(s)];
    const Bytes directory = directoryBytes(side);
    for (int t = 1; t < kLogicalTracks; ++t) {
      const uint8_t* track =
          t == 1 ? directory.data() : side.volume.data() + static_cast<size_t>(t) * kTrackBytes;
      disk.tracks[trackIndex(s, t)] =
          formatTrack(static_cast<uint8_t>(t / 2), static_cast<uint8_t>(t % 2), 3, 1,
                      kSectorsPerTrack, [&](int r) {
                        const uint8_t* sector = track + static_cast<size_t>(r - 1) * kSectorBytes;
                        return Bytes(sector, sector + kSectorBytes);
                      });
    }
  }
  return disk;
}

VolumeDisk sampleDisk() {
  VolumeDisk disk;
  disk.name = "SAMPLE DISK";
  uint32_t seed = 1;
  // Side 0: a boot program's data, music files and a Shift_JIS name.
  VolumeSide& side0 = disk.sides[0];
  addFile(side0, "m.0000", 7, seed++);
  const int side0Sizes[] = {1, 3, 12, 2, 5, 9, 1, 4, 16, 6, 2, 8, 3, 11, 1, 7, 5};
  int index = 1;
  for (int sectors : side0Sizes) {
    char name[16];
    std::snprintf(name, sizeof name, "m.%04d", index++);
    addFile(side0, name, sectors, seed++);
  }
  addFile(side0, "\x89\xB9\x8A\x79.1", 10, seed++);  // 音楽.1
  addFile(side0, "TITLE", 20, seed++);
  // Side 1: one large file spanning many tracks among smaller ones.
  VolumeSide& side1 = disk.sides[1];
  addFile(side1, "LOADER", 4, seed++);
  addFile(side1, "BIG", 120, seed++);
  const int side1Sizes[] = {2, 6, 1, 13, 4, 3, 9, 2, 5, 1, 7};
  index = 0;
  for (int sectors : side1Sizes) {
    char name[16];
    std::snprintf(name, sizeof name, "s.%04d", index++);
    addFile(side1, name, sectors, seed++);
  }
  addFile(side1, "DATA", 30, seed++);
  return disk;
}

VolumeDisk fullDisk() {
  VolumeDisk disk;
  disk.name = "FULL DISK";
  uint32_t seed = 1;
  addFile(disk.sides[0], "m.0000", 2, seed++);
  const int sizes[] = {1, 2, 3, 5, 8};
  for (int side = 0; side < 2; ++side) {
    VolumeSide& volume = disk.sides[static_cast<size_t>(side)];
    for (int k = 0; volume.nextSector < kLogicalTracks * kSectorsPerTrack; ++k) {
      const int left = kLogicalTracks * kSectorsPerTrack - volume.nextSector;
      char name[16];
      std::snprintf(name, sizeof name, "%c.%04d", side == 0 ? 'f' : 'g', k);
      addFile(volume, name, std::min(sizes[k % 5], left), seed++);
    }
  }
  return disk;
}

}  // namespace d88::build
