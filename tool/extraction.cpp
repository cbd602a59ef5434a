#include "extraction.h"

#include <array>
#include <cstring>

#include "d88_image.h"
#include "directory_entry.h"
#include "messages.h"
#include "write_file.h"

namespace d88 {

namespace {

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

void printListingLine(std::FILE* listing, const DirectoryEntry& entry,
                      int32_t size) {
  // A negative size shows as its 32-bit two's complement.
  std::fprintf(listing, "%-9s  START:%02x %02x    END:%02x %02x   SIZE:%04x\n",
               entry.name.data(), entry.startTrack, entry.startSector,
               entry.endTrack, entry.endSector, static_cast<uint32_t>(size));
}

void readVolume(D88Image& image, VolumeBuffers& buffers, int32_t side) {
  // Failed reads leave the bytes as they were; the listing goes on regardless.
  for (int32_t t = 1; t < kLogicalTracks; ++t) {
    image.readSectors(trackIndexOf(side, t), cylinderIdOf(t), headIdOf(t), 1,
                      kSectorSizeCode, buffers.volumeImage.data() + t * kTrackBytes,
                      kTrackBytes);
  }
  image.readSectors(trackIndexOf(side, kDirectoryTrack), cylinderIdOf(kDirectoryTrack),
                    headIdOf(kDirectoryTrack), 1, kSectorSizeCode,
                    buffers.directoryBuffer.data(), kTrackBytes);
}

struct SideOutcome {
  bool allWritten = true;
  bool sawBootTrigger = false;
};

SideOutcome extractEntries(const VolumeBuffers& buffers, int32_t side,
                           std::FILE* listing, std::FILE* messages) {
  SideOutcome outcome;
  for (int32_t k = 0; k < kDirectoryEntries; ++k) {
    const uint8_t* raw = buffers.directoryBuffer.data() + k * kEntryBytes;
    if (isEndMark(raw)) break;
    const DirectoryEntry entry = parseEntry(raw);
    const EntryByteRange range = entryByteRange(entry);
    printListingLine(listing, entry, range.size);
    if (std::strcmp(entry.name.data(), kBootTriggerName) == 0) {
      outcome.sawBootTrigger = true;
    }

    const char* refusal = nullptr;
    switch (judgeEntry(entry)) {
      case EntryVerdict::unsafeName: refusal = messages::kUnsafeName; break;
      case EntryVerdict::outsideVolume: refusal = messages::kOutsideVolume; break;
      case EntryVerdict::write:
        if (!writeFile(entry.name.data(), buffers.volumeImage.data() + range.offset,
                       range.size)) {
          refusal = messages::kWriteFailed;
        }
        break;
    }
    if (refusal != nullptr) {
      std::fprintf(messages, refusal, labelOf(entry, side, k).data());
      outcome.allWritten = false;
    }
  }
  return outcome;
}

bool writeBootBlock(D88Image& image, VolumeBuffers& buffers, std::FILE* messages) {
  image.setSectorRange(1, kBootLastSector);
  image.readSectors(0, 0, 0, 1, 0, buffers.volumeImage.data(), kBootReadBytes);
  if (writeFile(kIplFileName, buffers.volumeImage.data() + kIplOffset, kIplBytes)) {
    return true;
  }
  std::fprintf(messages, messages::kWriteFailed, kIplFileName);
  return false;
}

}  // namespace

bool extractVolumes(D88Image& image, VolumeBuffers& buffers, std::FILE* listing,
                    std::FILE* messages) {
  bool allWritten = true;
  bool bootDue = false;
  image.setSectorRange(1, kSectorsPerTrack);
  for (int32_t side = 0; side < kSides; ++side) {
    readVolume(image, buffers, side);
    const SideOutcome outcome = extractEntries(buffers, side, listing, messages);
    allWritten = allWritten && outcome.allWritten;
    bootDue = bootDue || outcome.sawBootTrigger;
  }
  if (bootDue) allWritten = writeBootBlock(image, buffers, messages) && allWritten;
  return allWritten;
}

}  // namespace d88
