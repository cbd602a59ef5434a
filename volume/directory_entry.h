// One 16-byte directory entry, and the decision whether and from which bytes
// of the volume image it may be written.
#pragma once

#include <array>
#include <cstdint>

#include "file_name.h"
#include "volume_layout.h"

namespace d88 {

struct DirectoryEntry {
  std::array<char, kNameBytes + 1> name{};  // NUL-terminated
  uint8_t startTrack = 0;
  uint8_t startSector = 0;
  uint8_t endTrack = 0;
  uint8_t endSector = 0;
};

struct EntryByteRange {
  int32_t offset = 0;  // into the volume image; may be negative
  int32_t size = 0;    // may be negative
};

enum class EntryVerdict { write, unsafeName, outsideVolume };

bool isEndMark(const uint8_t* raw);

// The name runs up to the first space or NUL, at most six bytes.
DirectoryEntry parseEntry(const uint8_t* raw);

EntryByteRange entryByteRange(const DirectoryEntry& entry);

EntryVerdict judgeEntry(const DirectoryEntry& entry);

}  // namespace d88
