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
// records the walks reach.
//
// For example, with records P0 P1 P2 ... laid end to end: track A starts at
// P0, track B at P1, and P0's data size skips P1, so both next read P2. The
// sweep walks A over P0 (the nearest record first), then B over P1; both now
// stand at P2, A at position 1 and B at position 1, and from there one read
// of each record serves both, until a count of 2 at P2 ends both walks at once
// or each has found what was asked of it.
#pragma once

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

// Answers every request, reading the records through the window. `answers`
// has one element for each request.
void sweepTracks(FileWindow& window, std::span<const SweepRequest> requests,
                 std::span<SweepAnswer> answers);

}  // namespace d88
