#include "extraction.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "d88_image.h"
#include "directory_entry.h"
#include "output_folder.h"
#include "report.h"

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

// The damage among the sectors that hold bytes [offset, offset + size).
SectorDamage damageOf(std::span<const SectorState> states, int32_t sectorBytes, int32_t offset,
                      int32_t size) {
  const auto first = static_cast<size_t>(offset / sectorBytes);
  const auto end = static_cast<size_t>((offset + size + sectorBytes - 1) / sectorBytes);
  const auto held = states.subspan(first, end - first);
  const bool unread = std::find(held.begin(), held.end(), SectorState::unread) != held.end();
  const bool damaged = std::find(held.begin(), held.end(), SectorState::damaged) != held.end();
  if (unread && damaged) return SectorDamage::unreadAndDamaged;
  if (unread) return SectorDamage::unread;
  return damaged ? SectorDamage::damaged : SectorDamage::none;
}

SectorAddress firstSectorOf(int32_t side, int32_t logicalTrack) {
  return {trackIndexOf(side, logicalTrack), cylinderIdOf(logicalTrack), headIdOf(logicalTrack), 1};
}

// Every sector the run will read, in the order it reads them, found in one
// pass over the image before the first read: whatever the image's shape, the
// searches then cost no more than that pass.
void locateTheRun(D88Image& image) {
  std::array<SectorRequest, kBootSectors + kSides * (kLogicalTracks * kSectorsPerTrack)> plan;
  size_t count = 0;
  const auto planRun = [&](SectorAddress at, int32_t n, int32_t sectors) {
    for (int32_t k = 0; k < sectors; ++k, at = image.nextSector(at)) {
      plan[count++] = {at.track, at.c, at.h, at.r, n};
    }
  };
  image.setSectorRange(1, kBootLastSector);
  planRun({0, 0, 0, 1}, 0, kBootSectors);
  image.setSectorRange(1, kSectorsPerTrack);
  for (int32_t side = 0; side < kSides; ++side) {
    // Logical tracks 1..76, and track 1 again as the directory: the same sectors.
    for (int32_t t = 1; t < kLogicalTracks; ++t) {
      planRun(firstSectorOf(side, t), kSectorSizeCode, kSectorsPerTrack);
    }
  }
  image.locateSectors(std::span(plan).first(count));
}

// Logical tracks 1..76 into the volume image, then the directory track into
// the directory buffer.
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

// Writes a file and notes in the event what became of it.
void writeInto(OutputFolder& folder, const char* name, const uint8_t* data, int32_t size,
               SectorDamage damage, ExtractionEvent& event) {
  switch (writeFile(folder, name, data, size)) {
    case WriteOutcome::failed: event.outcome = EntryOutcome::writeFailed; return;
    case WriteOutcome::inUse: event.outcome = EntryOutcome::inUse; return;
    case WriteOutcome::replacedEarlier: event.replacedEarlier = true; break;
    case WriteOutcome::written: break;
  }
  event.damage = damage;
}

void writeEntry(const VolumeBuffers& buffers, const VolumeStates& volume, OutputFolder& folder,
                ExtractionEvent& event) {
  switch (judgeEntry(event.entry)) {
    case EntryVerdict::unsafeName: event.outcome = EntryOutcome::unsafeName; return;
    case EntryVerdict::outsideVolume: event.outcome = EntryOutcome::outsideVolume; return;
    case EntryVerdict::write: break;
  }
  const EntryByteRange range = entryByteRange(event.entry);
  writeInto(folder, event.entry.name.data(), buffers.volumeImage.data() + range.offset,
            range.size, damageOf(volume, kSectorBytes, range.offset, range.size), event);
}

// Lists and writes one side's entries; true if one of them is named m.0000.
bool extractEntries(const VolumeBuffers& buffers, const VolumeStates& volume,
                    const DirectoryStates& directory, int32_t side, OutputFolder& folder,
                    Report& report) {
  bool sawBootTrigger = false;
  for (int32_t k = 0; k < kDirectoryEntries; ++k) {
    ExtractionEvent event{.side = side, .index = k};
    // Never walk into directory bytes that this side's own track did not give.
    if (directory[static_cast<size_t>(k * kEntryBytes / kSectorBytes)] == SectorState::unread) {
      event.kind = ExtractionEvent::Kind::directoryIncomplete;
      reportEvent(report, event);
      break;
    }
    const uint8_t* raw = buffers.directoryBuffer.data() + k * kEntryBytes;
    if (isEndMark(raw)) break;
    event.entry = parseEntry(raw);
    reportEvent(report, event);
    sawBootTrigger = sawBootTrigger || std::strcmp(event.entry.name.data(), kBootTriggerName) == 0;
    writeEntry(buffers, volume, folder, event);
    event.kind = ExtractionEvent::Kind::entryDone;
    reportEvent(report, event);
  }
  return sawBootTrigger;
}

void writeBootBlock(D88Image& image, VolumeBuffers& buffers, OutputFolder& folder,
                    Report& report) {
  BootStates states{};
  image.setSectorRange(1, kBootLastSector);
  readRun(image, {0, 0, 0, 1}, 0, kBootSectorBytes,
          std::span(buffers.volumeImage).first(kBootReadBytes), states);
  ExtractionEvent event{.kind = ExtractionEvent::Kind::bootBlockDone};
  std::strcpy(event.entry.name.data(), kIplFileName);
  writeInto(folder, kIplFileName, buffers.volumeImage.data() + kIplOffset, kIplBytes,
            damageOf(states, kBootSectorBytes, kIplOffset, kIplBytes), event);
  reportEvent(report, event);
}

}  // namespace

void extractVolumes(D88Image& image, VolumeBuffers& buffers, OutputFolder& folder,
                    Report& report) {
  bool bootDue = false;
  VolumeStates volume{};
  DirectoryStates directory{};
  locateTheRun(image);
  for (int32_t side = 0; side < kSides; ++side) {
    readVolume(image, buffers, side, volume, directory);
    bootDue = extractEntries(buffers, volume, directory, side, folder, report) || bootDue;
  }
  if (bootDue) writeBootBlock(image, buffers, folder, report);
}

}  // namespace d88
