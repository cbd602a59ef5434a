// Builds disks in the volume layout that d88extract reads: both sides with a
// directory and files, plus the boot track, as a d88::build::Disk that tests
// may still alter before building the image.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "volume_layout.h"

namespace d88::build {

struct VolumeSide {
  Bytes volume = Bytes(kVolumeBytes, 0);  // logical tracks 0..76
  std::vector<std::array<uint8_t, kEntryBytes>> entries;
  bool endMark = true;
  int32_t nextSector = 2 * kSectorsPerTrack;  // files start at logical track 2
};

struct VolumeDisk {
  std::array<VolumeSide, kSides> sides;
  Bytes bootTrack = patternBytes(kBootLastSector * 128, 0xB007);
  uint8_t mediaType = 0x20;
  std::string name = "VOLUME";
};

// A directory entry with a raw name (padded with spaces to six bytes).
void addEntry(VolumeSide& side, const std::string& name, uint8_t startTrack, uint8_t startSector,
              uint8_t endTrack, uint8_t endSector);

// Places a file of `sectors` whole sectors of pattern bytes at the side's next
// free sector and lists it. Returns the bytes the extraction must write.
Bytes addFile(VolumeSide& side, const std::string& name, int32_t sectors, uint32_t seed);

// The 5120 bytes of a side's directory track.
Bytes directoryBytes(const VolumeSide& side);

// Logical tracks 1..76 of both sides at track index 2t + s, and track 0 as
// 26 sectors of 128 bytes (head 0) and 26 of 256 bytes (head 1).
Disk toDisk(const VolumeDisk& volumeDisk);

// The demonstration disk: both sides full of files of varied sizes, one of
// them spanning many tracks, a Shift_JIS name, "m.0000" and a boot track.
VolumeDisk sampleDisk();

}  // namespace d88::build
