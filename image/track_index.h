// What a sector search on one track can find, worked out once per track.
//
// The walk of a track ends at the same record whatever ID it looks for (the
// end rules look only at each record's count), so one scan can note the first
// record of every ID within the walk's reach, and later searches become a
// table look-up instead of a walk. The table has a fixed size: when a track
// holds more distinct IDs than fit, the scan stops there and searches for IDs
// not in the table walk on from that record.
#pragma once

#include <array>
#include <cstdint>

namespace d88 {

// A sector record that a search found: where its data lies and how it reads.
struct FoundSector {
  int64_t dataOffset = 0;
  int32_t dataSize = 0;
  int32_t status = 0;
};

inline constexpr int32_t kIndexCapacity = 512;
inline constexpr int32_t kIndexSlots = 2 * kIndexCapacity;  // power of two
inline constexpr uint16_t kEmptySlot = 0xFFFF;

struct TrackIndex {
  int64_t trackStart = -1;  // file offset of the first record; -1: unused
  int32_t count = 0;
  std::array<uint32_t, kIndexCapacity> ids{};
  std::array<FoundSector, kIndexCapacity> sectors{};
  std::array<uint16_t, kIndexSlots> slots{};  // open addressing into ids
  // Where the scan stopped for want of room; searches for other IDs go on
  // walking from this record. Negative when the table holds the whole walk.
  int64_t resumeOffset = -1;
  uint32_t resumePosition = 0;
};

// C, H, R, N as one key; the caller makes sure each is in 0..255.
inline uint32_t sectorKey(uint32_t c, uint32_t h, uint32_t r, uint32_t n) {
  return c | (h << 8) | (r << 16) | (n << 24);
}

void resetIndex(TrackIndex& index, int64_t trackStart);

// Null if the ID is not in the table.
const FoundSector* findInIndex(const TrackIndex& index, uint32_t key);

// Adds the first record of an ID; false when the table is full.
bool addToIndex(TrackIndex& index, uint32_t key, const FoundSector& sector);

}  // namespace d88
