// What the extraction reports as it goes, as plain values: the caller decides
// what to say about each (report.h).
#pragma once

#include <cstdint>

#include "directory_entry.h"

namespace d88 {

enum class EntryOutcome : uint8_t {
  written,
  unsafeName,     // refused: empty, ".", "..", "/", or a name the host forbids
  outsideVolume,  // refused: its sectors are not all in the volume, or its size is negative
  writeFailed,    // not created or not written in full, or a folder, FIFO or device is there
  inUse,          // refused: the name leads to the image or to an output's file
};

// Sectors of a written file that were not read in full, or recorded with an error.
enum class SectorDamage : uint8_t { none, unread, damaged, unreadAndDamaged };

struct ExtractionEvent {
  enum class Kind : uint8_t {
    entryListed,          // a directory entry, before its file is written
    entryDone,            // what became of it
    directoryIncomplete,  // the side's directory could not be read in full; its walk ends
    bootBlockDone,        // what became of IPLMUS
  };
  Kind kind = Kind::entryListed;
  int32_t side = 0;
  int32_t index = 0;  // of the entry in its directory, from 0
  DirectoryEntry entry{};
  EntryOutcome outcome = EntryOutcome::written;
  SectorDamage damage = SectorDamage::none;  // of a written file
  bool replacedEarlier = false;              // it replaced a file written earlier in this run
};

}  // namespace d88
