#include "directory_entry.h"

namespace d88 {

namespace {

int32_t sectorNumber(uint8_t track, uint8_t sector) {
  return track * kSectorsPerTrack + sector;
}

}  // namespace

bool isEndMark(const uint8_t* raw) {
  return raw[0] == kEndMark;
}

DirectoryEntry parseEntry(const uint8_t* raw) {
  DirectoryEntry entry;
  for (int32_t i = 0; i < kNameBytes && raw[i] != ' ' && raw[i] != 0; ++i) {
    entry.name[static_cast<size_t>(i)] = static_cast<char>(raw[i]);
  }
  entry.startTrack = raw[kStartTrackOffset];
  entry.startSector = raw[kStartSectorOffset];
  entry.endTrack = raw[kEndTrackOffset];
  entry.endSector = raw[kEndSectorOffset];
  return entry;
}

EntryByteRange entryByteRange(const DirectoryEntry& entry) {
  // Fields are bytes, so none of this comes near overflowing.
  const int32_t first = sectorNumber(entry.startTrack, entry.startSector);
  const int32_t last = sectorNumber(entry.endTrack, entry.endSector);
  return {(first - 1) * kSectorBytes, (last - first + 1) * kSectorBytes};
}

EntryVerdict judgeEntry(const DirectoryEntry& entry) {
  if (!isSafeFileName(entry.name.data())) return EntryVerdict::unsafeName;
  const EntryByteRange range = entryByteRange(entry);
  if (range.offset < 0 || range.size < 0 || range.offset + range.size > kVolumeBytes) {
    return EntryVerdict::outsideVolume;
  }
  return EntryVerdict::write;
}

}  // namespace d88
