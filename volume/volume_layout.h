// The file system that each side of the target disks carries: 77 logical
// tracks of five 1024-byte sectors, a directory on logical track 1, and a
// boot track of 128-byte sectors at the very start of the disk.
#pragma once

#include <cstdint>

#include "d88_format.h"

namespace d88 {

// The media this layout is on: 2DD and 2HD disks.
inline bool isLayoutMedia(int32_t mediaType) {
  return mediaType == kMedia2HD || mediaType == kMedia2DD;
}

inline constexpr int32_t kSides = 2;
inline constexpr int32_t kLogicalTracks = 77;
inline constexpr int32_t kSectorsPerTrack = 5;
inline constexpr int32_t kSectorSizeCode = 3;
inline constexpr int32_t kSectorBytes = 1024;
inline constexpr int32_t kTrackBytes = kSectorsPerTrack * kSectorBytes;
inline constexpr int32_t kVolumeBytes = kLogicalTracks * kTrackBytes;

inline constexpr int32_t kDirectoryTrack = 1;
inline constexpr int32_t kEntryBytes = 16;
inline constexpr int32_t kDirectoryEntries = kTrackBytes / kEntryBytes;
inline constexpr int32_t kNameBytes = 6;
inline constexpr uint8_t kEndMark = 0xFF;

// Entry fields after the name; bytes 6 to 11 mean nothing to us.
inline constexpr int32_t kStartTrackOffset = 12;
inline constexpr int32_t kStartSectorOffset = 13;
inline constexpr int32_t kEndTrackOffset = 14;
inline constexpr int32_t kEndSectorOffset = 15;

// The boot read: 28 sectors of 128 bytes from C 0, H 0, R 1 of track 0. With
// R 26 as the last sector of a track, the run steps after it to track index 1
// (C 0, H 1) for R 1 and 2. The block kept when a volume holds
// kBootTriggerName starts at R 14 of track 0 and ends within R 17.
inline constexpr int32_t kBootLastSector = 26;
inline constexpr int32_t kBootSectorBytes = 128;
inline constexpr int32_t kBootReadBytes = 3584;
inline constexpr int32_t kBootSectors = kBootReadBytes / kBootSectorBytes;
inline constexpr int32_t kIplOffset = 1664;
inline constexpr int32_t kIplBytes = 385;
inline constexpr char kBootTriggerName[] = "m.0000";
inline constexpr char kIplFileName[] = "IPLMUS";

// Logical track t of side s lies at physical cylinder t, head s; its sector
// IDs count the logical tracks as if they alternated between the heads.
inline int32_t trackIndexOf(int32_t side, int32_t logicalTrack) {
  return 2 * logicalTrack + side;
}
inline int32_t cylinderIdOf(int32_t logicalTrack) {
  return logicalTrack / 2;
}
inline int32_t headIdOf(int32_t logicalTrack) {
  return logicalTrack % 2;
}

// Whether the layout asks for sector (c, h, r, n) on a track index: one of a
// volume's (logical tracks 1 to 76, R 1 to 5, N 3), or one of the boot read's
// (R 1 to 26 of track 0, then R 1 and 2 of track 1, N 0).
inline bool layoutAsksFor(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n) {
  const int32_t logicalTrack = track / 2;
  if (track >= 0 && logicalTrack >= 1 && logicalTrack < kLogicalTracks) {
    return c == cylinderIdOf(logicalTrack) && h == headIdOf(logicalTrack) && r >= 1 &&
           r <= kSectorsPerTrack && n == kSectorSizeCode;
  }
  if (track == 0) return c == 0 && h == 0 && r >= 1 && r <= kBootLastSector && n == 0;
  if (track == 1) return c == 0 && h == 1 && r >= 1 && r <= kBootSectors - kBootLastSector && n == 0;
  return false;
}

}  // namespace d88
