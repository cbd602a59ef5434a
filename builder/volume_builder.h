// Builds disks in the volume layout that d88extract reads: both sides with a
// directory and files, plus the boot track, as a d88::build::Disk that tests
// may still alter before building the image.
//
// The layout, written out here from its description and nowhere shared with
// the program: side s, logical track t (0..76) lies at track index 2t + s with
// sector IDs C = t / 2, H = t % 2, R 1..5, N 3 (1024 bytes); the directory is
// logical track 1, 320 entries of 16 bytes; track 0 holds the boot sectors.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "d88_builder.h"

namespace d88::build {

inline constexpr int kLogicalTracks = 77;
inline constexpr int kSectorsPerTrack = 5;
inline constexpr size_t kSectorBytes = 1024;
inline constexpr size_t kTrackBytes = kSectorsPerTrack * kSectorBytes;
inline constexpr size_t kVolumeBytes = kLogicalTracks * kTrackBytes;
inline constexpr int kDirectoryEntries = 320;
inline constexpr int kBootSectors = 26;  // of 128 bytes, on track index 0

int trackIndex(int side, int logicalTrack);

using DirectoryEntry = std::array<uint8_t, 16>;

struct VolumeSide {
  Bytes volume = Bytes(kVolumeBytes, 0);  // logical tracks 0..76
  std::vector<DirectoryEntry> entries;
  bool endMark = true;
  int nextSector = 2 * kSectorsPerTrack;  // files start at logical track 2
  // Every file placed with addFile, in order, with the bytes it holds.
  std::vector<std::pair<std::string, Bytes>> files;
};

struct VolumeDisk {
  std::array<VolumeSide, 2> sides;
  Bytes bootTrack = patternBytes(kBootSectors * 128, 0xB007);
  uint8_t mediaType = 0x20;
  std::string name = "VOLUME";
};

// A directory entry with a raw name (padded with spaces to six bytes).
void addEntry(VolumeSide& side, const std::string& name, uint8_t startTrack, uint8_t startSector,
              uint8_t endTrack, uint8_t endSector);

// Places a file of `sectors` whole sectors of pattern bytes at the side's next
// free sector and lists it. Returns the bytes the extraction must write.
Bytes addFile(VolumeSide& side, const std::string& name, int sectors, uint32_t seed);

// The 385 bytes that IPLMUS must hold: sectors 14 to 17 of the boot track.
Bytes bootBlock(const VolumeDisk& disk);

// Logical tracks 1..76 of both sides, and track 0 as 26 sectors of 128 bytes
// (head 0) and track 1 as 26 of 256 bytes (head 1).
Disk toDisk(const VolumeDisk& volumeDisk);

// The demonstration disk: both sides full of files of varied sizes, one of
// them spanning many tracks, a Shift_JIS name, "m.0000" and a boot track.
VolumeDisk sampleDisk();

// Both sides full, logical tracks 2 to 76, of files of 1 to 8 sectors (about
// 200 of them), m.0000 among them: the most files a disk of real sizes holds.
VolumeDisk fullDisk();

}  // namespace d88::build
