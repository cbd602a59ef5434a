#include "track_sweep.h"

#include <algorithm>

#include "d88_format.h"

namespace d88 {

namespace {

using Walk = TrackSweep::Walk;
using Group = TrackSweep::Group;

uint64_t mix(uint64_t value) {
  // Fibonacci hashing spreads keys that differ mostly in their high bytes.
  return value * 0x9E3779B97F4A7C15u >> 32;
}

// --- requests by ID: built once per sweep, never shrinking ---------------------

int32_t& firstWithKey(TrackSweep& sweep, uint32_t key) {
  const size_t mask = sweep.byKey.size() - 1;
  for (size_t slot = mix(key) & mask;; slot = (slot + 1) & mask) {
    TrackSweep::KeySlot& entry = sweep.byKey[slot];
    if (entry.first < 0) entry.key = key;
    if (entry.key == key) return entry.first;
  }
}

int32_t findFirstWithKey(const TrackSweep& sweep, uint32_t key) {
  const size_t mask = sweep.byKey.size() - 1;
  for (size_t slot = mix(key) & mask;; slot = (slot + 1) & mask) {
    const TrackSweep::KeySlot& entry = sweep.byKey[slot];
    if (entry.first < 0 || entry.key == key) return entry.first;
  }
}

// --- (group, base) -> the walks there, with deletion by backward shift ---------

size_t endHome(const TrackSweep& sweep, int32_t group, int64_t base) {
  return mix(static_cast<uint64_t>(base) * 1021 + static_cast<uint64_t>(group)) &
         (sweep.byEnd.size() - 1);
}

size_t findEnd(const TrackSweep& sweep, int32_t group, int64_t base) {
  const size_t mask = sweep.byEnd.size() - 1;
  size_t slot = endHome(sweep, group, base);
  while (sweep.byEnd[slot].group >= 0 &&
         (sweep.byEnd[slot].group != group || sweep.byEnd[slot].base != base)) {
    slot = (slot + 1) & mask;
  }
  return slot;  // the entry, or the empty slot where it would go
}

void addEnd(TrackSweep& sweep, int32_t walk) {
  Walk& w = sweep.walks[static_cast<size_t>(walk)];
  TrackSweep::EndSlot& slot = sweep.byEnd[findEnd(sweep, w.group, w.base)];
  // Two walks at the one position are one walk from here on: chain them.
  w.nextSameEnd = slot.group >= 0 ? slot.walk : -1;
  slot = {w.group, w.base, walk};
}

void eraseEnd(TrackSweep& sweep, int32_t group, int64_t base) {
  const size_t mask = sweep.byEnd.size() - 1;
  size_t hole = findEnd(sweep, group, base);
  if (sweep.byEnd[hole].group < 0) return;
  for (size_t next = (hole + 1) & mask; sweep.byEnd[next].group >= 0; next = (next + 1) & mask) {
    const TrackSweep::EndSlot& entry = sweep.byEnd[next];
    const size_t home = endHome(sweep, entry.group, entry.base);
    // Move it back unless its home lies cyclically in (hole, next].
    if (((next - home) & mask) >= ((next - hole) & mask)) {
      sweep.byEnd[hole] = entry;
      hole = next;
    }
  }
  sweep.byEnd[hole].group = -1;
}

// --- the groups still walking, nearest record first -------------------------------

bool farther(const TrackSweep& sweep, int32_t a, int32_t b) {
  return sweep.groups[static_cast<size_t>(a)].offset > sweep.groups[static_cast<size_t>(b)].offset;
}

void pushGroup(TrackSweep& sweep, int32_t group) {
  sweep.heap[static_cast<size_t>(sweep.heapSize++)] = group;
  std::push_heap(sweep.heap.begin(), sweep.heap.begin() + sweep.heapSize,
                 [&](int32_t a, int32_t b) { return farther(sweep, a, b); });
}

int32_t popGroup(TrackSweep& sweep) {
  std::pop_heap(sweep.heap.begin(), sweep.heap.begin() + sweep.heapSize,
                [&](int32_t a, int32_t b) { return farther(sweep, a, b); });
  return sweep.heap[static_cast<size_t>(--sweep.heapSize)];
}

const Group* nearest(const TrackSweep& sweep) {
  return sweep.heapSize > 0 ? &sweep.groups[static_cast<size_t>(sweep.heap[0])] : nullptr;
}

// --- walking --------------------------------------------------------------------

void endWalks(TrackSweep& sweep, Group& group, int32_t groupIndex, int64_t base) {
  const size_t slot = findEnd(sweep, groupIndex, base);
  if (sweep.byEnd[slot].group < 0) return;
  for (int32_t w = sweep.byEnd[slot].walk; w >= 0;) {
    Walk& walk = sweep.walks[static_cast<size_t>(w)];
    walk.active = false;
    group.members -= 1;
    group.unresolved -= walk.unresolved;
    w = walk.nextSameEnd;
  }
  eraseEnd(sweep, groupIndex, base);
}

// Examines the group's next record. False when the group has nothing left to
// walk for: its walks ended, or found all that was asked of them.
bool step(TrackSweep& sweep, FileWindow& window, int32_t groupIndex,
          std::span<SweepAnswer> answers) {
  Group& group = sweep.groups[static_cast<size_t>(groupIndex)];
  const uint8_t* header = viewAt(window, group.offset, kSectorHeaderSize);
  if (header == nullptr) return false;  // the file ends: so do the walks
  const uint32_t count = readLe16(header + kSectorCountOffset);
  const int32_t dataSize = readLe16(header + kDataSizeOffset);
  if (count == 0) return false;
  const uint32_t key = sectorKey(header[0], header[1], header[2], header[3]);
  for (int32_t r = findFirstWithKey(sweep, key); r >= 0;) {
    const TrackSweep::Pending& request = sweep.pending[static_cast<size_t>(r)];
    Walk& walk = sweep.walks[static_cast<size_t>(request.walk)];
    SweepAnswer& answer = answers[static_cast<size_t>(r)];
    if (!answer.found && walk.active && walk.group == groupIndex) {
      answer = {true, {group.offset + kSectorHeaderSize, dataSize, header[kStatusOffset]}};
      walk.unresolved -= 1;
      group.unresolved -= 1;
    }
    r = request.nextSameKey;
  }
  endWalks(sweep, group, groupIndex, int64_t{count} - 1 - group.records);
  group.records += 1;
  group.offset += kSectorHeaderSize + dataSize;
  return group.members > 0 && group.unresolved > 0;
}

// Two groups at one record become one; the smaller moves into the larger.
int32_t merge(TrackSweep& sweep, int32_t a, int32_t b) {
  if (sweep.groups[static_cast<size_t>(a)].members < sweep.groups[static_cast<size_t>(b)].members) {
    std::swap(a, b);
  }
  Group& into = sweep.groups[static_cast<size_t>(a)];
  Group& from = sweep.groups[static_cast<size_t>(b)];
  for (int32_t w = from.firstMember; w >= 0;) {
    Walk& walk = sweep.walks[static_cast<size_t>(w)];
    const int32_t next = walk.nextMember;
    if (walk.active) {
      eraseEnd(sweep, b, walk.base);
      walk.base += from.records - into.records;
      walk.group = a;
      walk.nextMember = into.firstMember;
      into.firstMember = w;
      addEnd(sweep, w);
    }
    w = next;
  }
  into.members += from.members;
  into.unresolved += from.unresolved;
  return a;
}

// Walks one group on while it is the nearest, taking in the groups it meets.
void walkGroup(TrackSweep& sweep, FileWindow& window, int32_t group,
               std::span<SweepAnswer> answers) {
  while (step(sweep, window, group, answers)) {
    const int64_t offset = sweep.groups[static_cast<size_t>(group)].offset;
    while (nearest(sweep) != nullptr && nearest(sweep)->offset == offset) {
      group = merge(sweep, group, popGroup(sweep));
    }
    if (nearest(sweep) != nullptr && nearest(sweep)->offset < offset) {
      pushGroup(sweep, group);
      return;
    }
  }
}

int32_t walkFor(TrackSweep& sweep, int64_t start) {
  for (int32_t w = 0; w < sweep.walkCount; ++w) {
    if (sweep.walks[static_cast<size_t>(w)].start == start) return w;
  }
  const int32_t w = sweep.walkCount++;
  sweep.walks[static_cast<size_t>(w)] = {start, w, 0, 0, -1, -1, true};
  sweep.groups[static_cast<size_t>(w)] = {start, 0, w, 1, 0};
  return w;
}

}  // namespace

void sweepTracks(TrackSweep& sweep, FileWindow& window, std::span<const SweepRequest> requests,
                 std::span<SweepAnswer> answers) {
  sweep.walkCount = 0;
  sweep.heapSize = 0;
  sweep.byKey.fill({});
  sweep.byEnd.fill({});
  for (size_t r = 0; r < requests.size(); ++r) {
    answers[r] = {};
    const int32_t w = walkFor(sweep, requests[r].trackStart);
    int32_t& first = firstWithKey(sweep, requests[r].key);
    sweep.pending[r] = {w, first};
    first = static_cast<int32_t>(r);
    sweep.walks[static_cast<size_t>(w)].unresolved += 1;
    sweep.groups[static_cast<size_t>(w)].unresolved += 1;
  }
  for (int32_t w = 0; w < sweep.walkCount; ++w) {
    addEnd(sweep, w);
    pushGroup(sweep, w);
  }
  while (sweep.heapSize > 0) walkGroup(sweep, window, popGroup(sweep), answers);
}

}  // namespace d88
