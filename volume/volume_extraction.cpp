#include "volume_extraction.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "d88_image.h"

namespace d88 {

namespace {

// What became of each sector that a side (or the boot read) asked for.
struct ReadStates {
  std::array<SectorState, kLogicalTracks * kSectorsPerTrack> volume{};
  std::array<SectorState, kSectorsPerTrack> directory{};
  std::array<SectorState, kBootSectors> boot{};
};

// Consecutive sectors read one at a time, from `first` on within a track
// range that ends at R `lastSector`, into `dest` with their states.
struct SectorRun {
  SectorAddress first;
  int32_t n = 0;
  int32_t lastSector = 0;
  int32_t sectorBytes = 0;
  std::span<uint8_t> dest;
  std::span<SectorState> states;
};

// The reads of a side, or of the boot block (kSides), in the order they are
// made: the one plan from which both the search and the reads are drawn.
template <typename Visit>
void forEachRun(int32_t phase, VolumeBuffers& buffers, ReadStates& states, Visit visit) {
  if (phase == kSides) {
    visit(SectorRun{{0, 0, 0, 1},
                    0,
                    kBootLastSector,
                    kBootSectorBytes,
                    std::span(buffers.volumeImage).first(kBootReadBytes),
                    states.boot});
    return;
  }
  const auto firstOf = [phase](int32_t t) {
    return SectorAddress{trackIndexOf(phase, t), cylinderIdOf(t), headIdOf(t), 1};
  };
  // Logical tracks 1..76, then track 1 again as the directory.
  for (int32_t t = 1; t < kLogicalTracks; ++t) {
    visit(SectorRun{
        firstOf(t), kSectorSizeCode, kSectorsPerTrack, kSectorBytes,
        std::span(buffers.volumeImage).subspan(static_cast<size_t>(t * kTrackBytes), kTrackBytes),
        std::span(states.volume)
            .subspan(static_cast<size_t>(t * kSectorsPerTrack), kSectorsPerTrack)});
  }
  visit(SectorRun{firstOf(kDirectoryTrack), kSectorSizeCode, kSectorsPerTrack, kSectorBytes,
                  buffers.directoryBuffer, states.directory});
}

// Every sector the run will read, found in one pass over the image before the
// first read: whatever the image's shape, the searches then cost no more than
// that pass.
void locateEveryRead(D88Image& image, VolumeBuffers& buffers, ReadStates& states) {
  std::vector<SectorRequest> plan;
  for (int32_t phase = 0; phase <= kSides; ++phase) {
    forEachRun(phase, buffers, states, [&](const SectorRun& run) {
      image.setSectorRange(1, run.lastSector);
      SectorAddress at = run.first;
      for (size_t k = 0; k < run.states.size(); ++k, at = image.nextSector(at)) {
        plan.push_back({at.track, at.c, at.h, at.r, run.n});
      }
    });
  }
  image.locateSectors(plan);
}

// Reads a run one sector at a time, so that a missing or short sector costs
// only its own bytes instead of the rest of the run, and notes each outcome.
// A sector not read in full keeps the bytes that arrived and zeros after them,
// never what the other side or an earlier read left there.
void readRun(D88Image& image, const SectorRun& run) {
  image.setSectorRange(1, run.lastSector);
  SectorAddress at = run.first;
  for (size_t k = 0; k < run.states.size(); ++k, at = image.nextSector(at)) {
    uint8_t* sector = run.dest.data() + k * static_cast<size_t>(run.sectorBytes);
    const int32_t got =
        image.readSector(at.track, at.c, at.h, at.r, run.n, sector, run.sectorBytes);
    if (got != run.sectorBytes) {
      std::fill(sector + got, sector + run.sectorBytes, uint8_t{0});
      run.states[k] = SectorState::unread;
    } else {
      run.states[k] =
          isDamagedStatus(image.lastSectorStatus()) ? SectorState::damaged : SectorState::read;
    }
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

void handToSink(ExtractionSink sink, ExtractionSummary& summary, const ExtractedEntry& value) {
  if (value.kind == ExtractedEntry::Kind::entry) summary.entries += 1;
  if (value.verdict != EntryVerdict::write) summary.refused += 1;
  if (value.damage != SectorDamage::none) summary.damaged += 1;
  if (value.kind == ExtractedEntry::Kind::directoryIncomplete) summary.incompleteDirectories += 1;
  sink.take(sink.context, value);
}

// Hands one side's entries to the sink; true if one of them is named m.0000.
bool extractEntries(const VolumeBuffers& buffers, const ReadStates& states, int32_t side,
                    ExtractionSink sink, ExtractionSummary& summary) {
  bool sawBootTrigger = false;
  for (int32_t k = 0; k < kDirectoryEntries; ++k) {
    ExtractedEntry value{.side = side, .index = k};
    // Never walk into directory bytes that this side's own track did not give.
    if (states.directory[static_cast<size_t>(k * kEntryBytes / kSectorBytes)] ==
        SectorState::unread) {
      value.kind = ExtractedEntry::Kind::directoryIncomplete;
      handToSink(sink, summary, value);
      break;
    }
    const uint8_t* raw = buffers.directoryBuffer.data() + k * kEntryBytes;
    if (isEndMark(raw)) break;
    value.entry = parseEntry(raw);
    sawBootTrigger = sawBootTrigger || std::strcmp(value.entry.name.data(), kBootTriggerName) == 0;
    value.verdict = judgeEntry(value.entry);
    if (value.verdict == EntryVerdict::write) {
      const EntryByteRange range = entryByteRange(value.entry);
      value.bytes =
          std::span(buffers.volumeImage)
              .subspan(static_cast<size_t>(range.offset), static_cast<size_t>(range.size));
      value.damage = damageOf(states.volume, kSectorBytes, range.offset, range.size);
    }
    handToSink(sink, summary, value);
  }
  return sawBootTrigger;
}

}  // namespace

ExtractionSummary extractVolumes(D88Image& image, VolumeBuffers& buffers, ExtractionSink sink) {
  ExtractionSummary summary;
  ReadStates states;
  locateEveryRead(image, buffers, states);
  for (int32_t side = 0; side < kSides; ++side) {
    states.volume.fill(SectorState::unread);
    forEachRun(side, buffers, states, [&](const SectorRun& run) { readRun(image, run); });
    summary.bootBlock = extractEntries(buffers, states, side, sink, summary) || summary.bootBlock;
    handToSink(sink, summary,
               {.kind = ExtractedEntry::Kind::sectorStates,
                .side = side,
                .bytes = buffers.volumeImage,
                .sectors = std::span(states.volume).subspan(kSectorsPerTrack)});
  }
  if (!summary.bootBlock) return summary;
  forEachRun(kSides, buffers, states, [&](const SectorRun& run) { readRun(image, run); });
  ExtractedEntry value{.kind = ExtractedEntry::Kind::bootBlock};
  std::strcpy(value.entry.name.data(), kIplFileName);
  value.bytes = std::span(buffers.volumeImage).subspan(kIplOffset, kIplBytes);
  value.damage = damageOf(states.boot, kBootSectorBytes, kIplOffset, kIplBytes);
  handToSink(sink, summary, value);
  handToSink(sink, summary,
             {.kind = ExtractedEntry::Kind::sectorStates,
              .side = kSides,
              .bytes = std::span(buffers.volumeImage).first(kBootReadBytes),
              .sectors = states.boot});
  return summary;
}

}  // namespace d88
