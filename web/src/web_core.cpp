// The page's way into the extraction: the reader asks the worker for each
// range of the image it reads, as it would read a file, and every value of
// the extraction comes back to its JavaScript as it is made. The page
// decodes, shows and zips; nothing here knows of it.
#include <emscripten.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "d88_image.h"
#include "file_name.h"
#include "messages.h"
#include "volume_extraction.h"
#include "volume_layout.h"

namespace {

// clang-format off
// Up to `length` bytes of the image from `position` (a double: images may
// pass 4 GiB) into the core's memory at `dest`; the count that arrived.
EM_JS(int, readImageRange, (double position, uint8_t* dest, int length), {
  return Module.readRange(position, dest, length);
});

EM_JS(void, takeImage, (int hasDisk, int mediaType, int plausible, int recognised,
                       const char* diskName, int nameLength, int writeProtected), {
  Module.onImage({
    hasDisk: !!hasDisk, mediaType, plausible: !!plausible, recognised: !!recognised,
    diskName: HEAPU8.slice(diskName, diskName + nameLength), writeProtected: !!writeProtected,
  });
});


EM_JS(void, takeValue, (int kind, int side, int index, const char* name, int nameLength,
                        const uint8_t* fields, int size, int verdict, const uint8_t* bytes,
                        int length, int damage), {
  Module.onValue({
    kind, side, index, size, verdict, damage,
    name: HEAPU8.slice(name, name + nameLength),
    start: [HEAPU8[fields], HEAPU8[fields + 1]],
    end: [HEAPU8[fields + 2], HEAPU8[fields + 3]],
    bytes: HEAPU8.slice(bytes, bytes + length),
  });
});

EM_JS(void, takeSectors, (int side, const uint8_t* states, int count, const uint8_t* bytes,
                          int length), {
  // A collection has no map: its sectors' states go out, not their bytes.
  Module.onSectors({
    side,
    states: HEAPU8.slice(states, states + count),
    bytes: Module.wantSectors ? HEAPU8.slice(bytes, bytes + length) : null,
  });
});

EM_JS(void, takeTrack, (int track, const uint8_t* records, int length), {
  Module.onTrack({track, records: HEAPU8.slice(records, records + length)});
});

EM_JS(void, takeSummary, (int entries, int refused, int damaged, int incompleteDirectories), {
  Module.onSummary({entries, refused, damaged, incompleteDirectories});
});

EM_JS(void, takeMessage, (const char* key, const char* text, int length), {
  Module.onMessage(UTF8ToString(key), HEAPU8.slice(text, text + length));
});
// clang-format on

void take(void*, const d88::ExtractedEntry& value) {
  if (value.kind == d88::ExtractedEntry::Kind::sectorStates) {
    static_assert(sizeof(d88::SectorState) == 1);
    takeSectors(value.side, reinterpret_cast<const uint8_t*>(value.sectors.data()),
                static_cast<int>(value.sectors.size()), value.bytes.data(),
                static_cast<int>(value.bytes.size()));
    return;
  }
  const d88::DirectoryEntry& entry = value.entry;
  const uint8_t fields[4] = {entry.startTrack, entry.startSector, entry.endTrack, entry.endSector};
  const int32_t size = value.kind == d88::ExtractedEntry::Kind::entry
                           ? d88::entryByteRange(entry).size
                           : static_cast<int32_t>(value.bytes.size());
  takeValue(static_cast<int>(value.kind), value.side, value.index, entry.name.data(),
            static_cast<int>(std::strlen(entry.name.data())), fields, size,
            static_cast<int>(value.verdict), value.bytes.data(),
            static_cast<int>(value.bytes.size()), static_cast<int>(value.damage));
}

int32_t readFromPage(void*, int64_t position, uint8_t* dest, int32_t length) {
  return readImageRange(static_cast<double>(position), dest, length);
}

void handMessage(const char* key, std::string_view text) {
  takeMessage(key, text.data(), static_cast<int>(text.size()));
}

// One image at a time, from d88Extract to d88CountDisks.
d88::D88Image image;
d88::VolumeBuffers buffers;

}  // namespace

extern "C" {

// The system's own texts, as the command line writes them, for the page to
// decode.
EMSCRIPTEN_KEEPALIVE void d88HandMessages() {
  namespace m = d88::messages;
  handMessage("recognised", m::kRecognised);
  handMessage("unsupported", m::kUnsupported);
  handMessage("side", m::kSide);
  handMessage("entry", m::kEntry);
  handMessage("unsafeName", m::kUnsafeName);
  handMessage("outsideVolume", m::kOutsideVolume);
  handMessage("replacedEarlier", m::kReplacedEarlier);
  handMessage("unread", m::kUnreadSectors);
  handMessage("damaged", m::kDamagedSectors);
  handMessage("unreadAndDamaged", m::kUnreadAndDamagedSectors);
  handMessage("directoryIncomplete", m::kDirectoryIncomplete);
}

// Every track's records as the image stores them, 8 bytes each: C, H, R, N,
// the data size (little-endian), the status, and what the layout makes of
// the record: 1 read, 2 its ID asked for but a read finds another record,
// 0 an ID the layout never asks for on that track.
EMSCRIPTEN_KEEPALIVE void d88HandTracks() {
  static std::array<d88::SectorRecord, d88::kMaxListedRecords> records;
  static std::array<uint8_t, 8 * d88::kMaxListedRecords> bytes;
  for (int32_t track = 0; track < d88::kTrackCount; ++track) {
    const int32_t count = image.listSectorRecords(track, records.data(), d88::kMaxListedRecords);
    for (int32_t k = 0; k < count; ++k) {
      const d88::SectorRecord& record = records[static_cast<size_t>(k)];
      const bool asked = d88::layoutAsksFor(track, record.c, record.h, record.r, record.n);
      uint8_t* at = &bytes[static_cast<size_t>(8 * k)];
      at[0] = record.c;
      at[1] = record.h;
      at[2] = record.r;
      at[3] = record.n;
      at[4] = static_cast<uint8_t>(record.dataSize & 0xFFu);
      at[5] = static_cast<uint8_t>(record.dataSize >> 8);
      at[6] = record.status;
      at[7] = asked ? (record.reached ? 1 : 2) : 0;
    }
    if (count > 0) takeTrack(track, bytes.data(), 8 * count);
  }
}

// Extracts the image the worker reads for it, handing the page first what
// the image is, then, when its first disk is a 2DD or 2HD disk, every value
// of the extraction and what it came to. The image stays open for
// d88HandTracks and d88CountDisks.
EMSCRIPTEN_KEEPALIVE void d88Extract() {
  buffers = {};
  image.openReader({readFromPage, nullptr});
  image.selectDisk(0);
  const bool recognised = d88::isLayoutMedia(image.mediaType());
  // A refused image is read no further than its first disk's header.
  takeImage(image.mediaType() >= 0 ? 1 : 0, image.mediaType(), image.headerIsPlausible() ? 1 : 0,
            recognised ? 1 : 0, image.diskName(), static_cast<int>(std::strlen(image.diskName())),
            image.writeProtected() ? 1 : 0);
  if (recognised) {
    const d88::ExtractionSummary summary = d88::extractVolumes(image, buffers, {take, nullptr});
    takeSummary(summary.entries, summary.refused, summary.damaged, summary.incompleteDirectories);
  }
}

// How many disks the image of the last d88Extract holds, 0 for a refused
// one, and closes it. Apart from the extraction: a header a disk's length
// away costs the page a read of its own, so it comes after the files are out.
EMSCRIPTEN_KEEPALIVE int d88CountDisks() {
  const int count = d88::isLayoutMedia(image.mediaType()) ? image.diskCount() : 0;
  image.close();
  return count;
}

// Windows' rules for a name the page decoded to `units` UTF-16 code units:
// what the command line there refuses, the page offers nowhere.
EMSCRIPTEN_KEEPALIVE int d88IsWindowsName(const char16_t* units, size_t count) {
  return d88::isSafeWindowsName(std::u16string_view(units, count)) ? 1 : 0;
}
}
