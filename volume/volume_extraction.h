// volume/: the PC-98 layout on top of the disk: directory entries, the plan of
// reads and the extraction, which hands each entry to a sink as a value. It
// prints nothing and writes no file.
//
// The extraction reads both volumes of the selected disk and, for side 0 and
// then side 1, hands the sink every directory entry with its verdict and, for
// one that may be written, the file's bytes and the damage of the sectors that
// hold them, and after them what became of every sector the side's reads
// asked for; then, when either side holds m.0000, the boot block as IPLMUS
// and the same for the boot read.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "directory_entry.h"
#include "volume_layout.h"

namespace d88 {

class D88Image;

// Sectors of a file that were not read in full, or recorded with an error.
enum class SectorDamage : uint8_t { none, unread, damaged, unreadAndDamaged };

// What became of one sector a read asked for: not read in full (missing from
// the image, or stored short), read, or read but recorded with an error.
enum class SectorState : uint8_t { unread, read, damaged };

struct ExtractedEntry {
  enum class Kind : uint8_t {
    entry,                // a directory entry, in directory order
    directoryIncomplete,  // the side's directory could not be read in full; its walk ends
    bootBlock,            // IPLMUS, after both sides
    sectorStates,         // after a side's entries (side 0, 1) or the boot block (side 2)
  };
  Kind kind = Kind::entry;
  int32_t side = 0;
  int32_t index = 0;       // of the entry in its directory, from 0
  DirectoryEntry entry{};  // its raw name bytes and fields; IPLMUS for the boot block
  EntryVerdict verdict = EntryVerdict::write;
  std::span<const uint8_t> bytes{};  // the file's, when the verdict is write
  SectorDamage damage = SectorDamage::none;
  // sectorStates: for a side, logical tracks 1 to 76, R 1 to 5 each, with
  // `bytes` the side's whole volume (from logical track 0); for the boot
  // read, R 1 to 26 of track index 0 then R 1 and 2 of track index 1, with
  // `bytes` the boot area they fill.
  std::span<const SectorState> sectors{};
};

// Called once for each value, in order; the bytes live until the call returns.
struct ExtractionSink {
  void (*take)(void* context, const ExtractedEntry& value) = nullptr;
  void* context = nullptr;
};

struct ExtractionSummary {
  int32_t entries = 0;  // listed, both sides
  int32_t refused = 0;  // an unsafe name, or sectors outside the volume
  int32_t damaged = 0;  // files (IPLMUS too) with unread or damaged sectors
  int32_t incompleteDirectories = 0;
  bool bootBlock = false;
};

// Zero-filled once: a sector that is not read in full is zeroed after what
// arrived, and the boot read lands in logical track 0, which no volume read
// fills.
struct VolumeBuffers {
  std::array<uint8_t, kVolumeBytes> volumeImage{};
  std::array<uint8_t, kTrackBytes> directoryBuffer{};
};

// Neither side's directory could be read, so nothing was extracted: the
// run failed, though no entry did.
inline bool readNoDirectory(const ExtractionSummary& summary) {
  return summary.entries == 0 && summary.incompleteDirectories == kSides;
}

ExtractionSummary extractVolumes(D88Image& image, VolumeBuffers& buffers, ExtractionSink sink);

}  // namespace d88
