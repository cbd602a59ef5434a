// The sector searches of many tracks, done together in one forward pass over
// the file.
//
// A search walks a track's records from its first: a record whose count is 0
// ends the walk before it is examined, a record whose count is its position
// + 1 ends it after, and so does the end of the file; the search finds the
// first record of its ID within the walk. Walks only move forward, a record
// leads to the same next record whichever walk reads it, and a walk's end
// depends only on its own position. So walks that meet at a record go on as
// one group, each keeping its own position, and a pass in file order serves
// every track start and every ID asked of it: the cost is one pass over the
// records the walks reach, and the memory is fixed.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "file_window.h"

namespace d88 {

// A sector record that a search found: where its data lies and how it reads.
struct FoundSector {
  int64_t dataOffset = 0;
  int32_t dataSize = 0;
  int32_t status = 0;
};

// C, H, R, N as one key; the caller makes sure each is in 0..255.
inline uint32_t sectorKey(uint32_t c, uint32_t h, uint32_t r, uint32_t n) {
  return c | (h << 8) | (r << 16) | (n << 24);
}

struct SweepRequest {
  int64_t trackStart = 0;  // file offset of the track's first record
  uint32_t key = 0;
};

struct SweepAnswer {
  bool found = false;
  FoundSector sector;
};

inline constexpr int32_t kMaxSweepRequests = 1024;
inline constexpr int32_t kMaxWalks = 164;  // one for each distinct track start

// The sweep's working state: fixed in size, reused by every sweep.
struct TrackSweep {
  // One for each distinct track start. Its position is its group's records
  // walked + base.
  struct Walk {
    int64_t start = 0;
    int32_t group = 0;
    int64_t base = 0;
    int32_t unresolved = 0;   // its requests not found yet
    int32_t nextMember = -1;  // the next walk of its group
    int32_t nextSameEnd = -1;  // a walk of its group at the same position
    bool active = false;
  };
  // Walks that stand at the same record.
  struct Group {
    int64_t offset = 0;  // of the next record
    int64_t records = 0;
    int32_t firstMember = -1;
    int32_t members = 0;  // active walks
    int32_t unresolved = 0;
  };
  struct Pending {
    int32_t walk = 0;
    int32_t nextSameKey = -1;
  };
  struct KeySlot {
    uint32_t key = 0;
    int32_t first = -1;  // -1: empty
  };
  struct EndSlot {
    int32_t group = -1;  // -1: empty
    int64_t base = 0;
    int32_t walk = 0;
  };

  std::array<Walk, kMaxWalks> walks;
  int32_t walkCount = 0;
  std::array<Group, kMaxWalks> groups;
  std::array<int32_t, kMaxWalks> heap;  // groups still walking, nearest first
  int32_t heapSize = 0;
  std::array<Pending, kMaxSweepRequests> pending;
  std::array<KeySlot, 2 * kMaxSweepRequests> byKey;  // requests by ID
  std::array<EndSlot, 1024> byEnd;  // (group, base) -> walks: which walk a count ends
};

// Answers every request (at most kMaxSweepRequests), reading the records
// through the window. `answers` has one element for each request.
void sweepTracks(TrackSweep& sweep, FileWindow& window, std::span<const SweepRequest> requests,
                 std::span<SweepAnswer> answers);

}  // namespace d88
