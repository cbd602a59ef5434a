#include "extraction.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "d88_image.h"
#include "directory_entry.h"
#include "messages.h"
#include "write_file.h"

namespace d88 {

namespace {

// What became of each sector that a side (or the boot read) asked for.
enum class SectorState : uint8_t { unread, read, damaged };

using VolumeStates = std::array<SectorState, kLogicalTracks * kSectorsPerTrack>;
using DirectoryStates = std::array<SectorState, kSectorsPerTrack>;
using BootStates = std::array<SectorState, kBootSectors>;

// Reads a run one sector at a time, so that a missing or short sector costs
// only its own bytes instead of the rest of the run, and notes each outcome.
// A sector not read in full keeps the bytes that arrived and zeros after them,
// never what the other side or an earlier read left there.
void readRun(D88Image& image, SectorAddress at, int32_t n, int32_t sectorBytes,
             std::span<uint8_t> dest, std::span<SectorState> states) {
  for (size_t k = 0; k < states.size(); ++k) {
    uint8_t* sector = dest.data() + k * static_cast<size_t>(sectorBytes);
    const int32_t got = image.readSector(at.track, at.c, at.h, at.r, n, sector, sectorBytes);
    if (got != sectorBytes) {
      std::fill(sector + got, sector + sectorBytes, uint8_t{0});
      states[k] = SectorState::unread;
    } else if (isDamagedStatus(image.lastSectorStatus())) {
      states[k] = SectorState::damaged;
    } else {
      states[k] = SectorState::read;
    }
    at = image.nextSector(at);
  }
}

// The states of the sectors that hold bytes [offset, offset + size).
std::span<const SectorState> statesOf(std::span<const SectorState> states, int32_t sectorBytes,
                                      int32_t offset, int32_t size) {
  const auto first = static_cast<size_t>(offset / sectorBytes);
  const auto end = static_cast<size_t>((offset + size + sectorBytes - 1) / sectorBytes);
  return states.subspan(first, end - first);
}

const char* damageWarning(std::span<const SectorState> states) {
  bool unread = false;
  bool damaged = false;
  for (SectorState state : states) {
    unread = unread || state == SectorState::unread;
    damaged = damaged || state == SectorState::damaged;
  }
  if (unread && damaged) return messages::kUnreadAndDamagedSectors;
  if (unread) return messages::kUnreadSectors;
  if (damaged) return messages::kDamagedSectors;
  return nullptr;
}

// Fits kEntryLabel with two ints, and any six-byte name.
using Label = std::array<char, 48>;

Label labelOf(const DirectoryEntry& entry, int32_t side, int32_t index) {
  Label label{};
  if (entry.name[0] != '\0') {
    std::memcpy(label.data(), entry.name.data(), entry.name.size());
  } else {
    std::snprintf(label.data(), label.size(), messages::kEntryLabel, side, index);
  }
  return label;
}

void printListingLine(std::FILE* listing, const DirectoryEntry& entry, int32_t size) {
  // A negative size shows as its 32-bit two's complement.
  std::fprintf(listing, "%-9s  START:%02x %02x    END:%02x %02x   SIZE:%04x\n", entry.name.data(),
               entry.startTrack, entry.startSector, entry.endTrack, entry.endSector,
               static_cast<uint32_t>(size));
}

SectorAddress firstSectorOf(int32_t side, int32_t logicalTrack) {
  return {trackIndexOf(side, logicalTrack), cylinderIdOf(logicalTrack), headIdOf(logicalTrack), 1};
}

// Logical tracks 1..76 into the volume image, then the directory track into
// the directory buffer. Sectors that are not found keep their earlier bytes.
void readVolume(D88Image& image, VolumeBuffers& buffers, int32_t side, VolumeStates& volume,
                DirectoryStates& directory) {
  const std::span<uint8_t> volumeImage(buffers.volumeImage);
  const std::span<SectorState> volumeStates(volume);
  volume.fill(SectorState::unread);
  for (int32_t t = 1; t < kLogicalTracks; ++t) {
    readRun(image, firstSectorOf(side, t), kSectorSizeCode, kSectorBytes,
            volumeImage.subspan(static_cast<size_t>(t * kTrackBytes), kTrackBytes),
            volumeStates.subspan(static_cast<size_t>(t * kSectorsPerTrack), kSectorsPerTrack));
  }
  readRun(image, firstSectorOf(side, kDirectoryTrack), kSectorSizeCode, kSectorBytes,
          buffers.directoryBuffer, directory);
}

// Writes one entry's file, warning if some of its sectors were not read in
// full or are damaged. Returns the message that refuses or fails the entry,
// or null when it was written.
const char* writeEntry(const VolumeBuffers& buffers, const VolumeStates& volume,
                       const DirectoryEntry& entry, std::FILE* diagnostics) {
  switch (judgeEntry(entry)) {
    case EntryVerdict::unsafeName: return messages::kUnsafeName;
    case EntryVerdict::outsideVolume: return messages::kOutsideVolume;
    case EntryVerdict::write: break;
  }
  const EntryByteRange range = entryByteRange(entry);
  if (!writeFile(entry.name.data(), buffers.volumeImage.data() + range.offset, range.size)) {
    return messages::kWriteFailed;
  }
  // Written all the same: a warning, not a failure.
  if (const char* warning =
          damageWarning(statesOf(volume, kSectorBytes, range.offset, range.size))) {
    std::fprintf(diagnostics, warning, entry.name.data());
  }
  return nullptr;
}

struct SideOutcome {
  bool allWritten = true;
  bool sawBootTrigger = false;
};

SideOutcome extractEntries(const VolumeBuffers& buffers, const VolumeStates& volume,
                           const DirectoryStates& directory, int32_t side, std::FILE* listing,
                           std::FILE* diagnostics) {
  SideOutcome outcome;
  for (int32_t k = 0; k < kDirectoryEntries; ++k) {
    // Never walk into directory bytes that this side's own track did not give:
    // they are zero, or the other side's entries.
    if (directory[static_cast<size_t>(k * kEntryBytes / kSectorBytes)] == SectorState::unread) {
      std::fprintf(diagnostics, messages::kDirectoryIncomplete, side);
      break;
    }
    const uint8_t* raw = buffers.directoryBuffer.data() + k * kEntryBytes;
    if (isEndMark(raw)) break;
    const DirectoryEntry entry = parseEntry(raw);
    printListingLine(listing, entry, entryByteRange(entry).size);
    if (std::strcmp(entry.name.data(), kBootTriggerName) == 0) {
      outcome.sawBootTrigger = true;
    }

    if (const char* failure = writeEntry(buffers, volume, entry, diagnostics)) {
      std::fprintf(diagnostics, failure, labelOf(entry, side, k).data());
      outcome.allWritten = false;
    }
  }
  return outcome;
}

bool writeBootBlock(D88Image& image, VolumeBuffers& buffers, std::FILE* diagnostics) {
  BootStates states{};
  image.setSectorRange(1, kBootLastSector);
  readRun(image, {0, 0, 0, 1}, 0, kBootSectorBytes,
          std::span(buffers.volumeImage).first(kBootReadBytes), states);
  if (!writeFile(kIplFileName, buffers.volumeImage.data() + kIplOffset, kIplBytes)) {
    std::fprintf(diagnostics, messages::kWriteFailed, kIplFileName);
    return false;
  }
  if (const char* warning =
          damageWarning(statesOf(states, kBootSectorBytes, kIplOffset, kIplBytes))) {
    std::fprintf(diagnostics, warning, kIplFileName);
  }
  return true;
}

}  // namespace

bool extractVolumes(D88Image& image, VolumeBuffers& buffers, std::FILE* listing,
                    std::FILE* diagnostics) {
  bool allWritten = true;
  bool bootDue = false;
  VolumeStates volume{};
  DirectoryStates directory{};
  image.setSectorRange(1, kSectorsPerTrack);
  for (int32_t side = 0; side < kSides; ++side) {
    readVolume(image, buffers, side, volume, directory);
    const SideOutcome outcome =
        extractEntries(buffers, volume, directory, side, listing, diagnostics);
    allWritten = allWritten && outcome.allWritten;
    bootDue = bootDue || outcome.sawBootTrigger;
  }
  if (bootDue) allWritten = writeBootBlock(image, buffers, diagnostics) && allWritten;
  return allWritten;
}

}  // namespace d88
