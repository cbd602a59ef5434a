#include "track_index.h"

namespace d88 {

namespace {

constexpr uint32_t kSlotMask = kIndexSlots - 1;

uint32_t slotOf(uint32_t key) {
  // Fibonacci hashing: IDs of one track differ mostly in R; spread them out.
  return (key * 2654435769u) >> 22 & kSlotMask;
}

}  // namespace

void resetIndex(TrackIndex& index, int64_t trackStart) {
  index.trackStart = trackStart;
  index.count = 0;
  index.slots.fill(kEmptySlot);
  index.resumeOffset = -1;
  index.resumePosition = 0;
}

const FoundSector* findInIndex(const TrackIndex& index, uint32_t key) {
  for (uint32_t slot = slotOf(key);; slot = (slot + 1) & kSlotMask) {
    const uint16_t entry = index.slots[slot];
    if (entry == kEmptySlot) return nullptr;
    if (index.ids[entry] == key) return &index.sectors[entry];
  }
}

bool addToIndex(TrackIndex& index, uint32_t key, const FoundSector& sector) {
  if (index.count == kIndexCapacity) return false;
  uint32_t slot = slotOf(key);
  while (index.slots[slot] != kEmptySlot) slot = (slot + 1) & kSlotMask;
  const auto entry = static_cast<uint16_t>(index.count++);
  index.ids[entry] = key;
  index.sectors[entry] = sector;
  index.slots[slot] = entry;
  return true;
}

}  // namespace d88
