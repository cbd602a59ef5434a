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
                        int length, int damage, uint32_t crc), {
  Module.onValue({
    kind, side, index, size, verdict, damage,
    crc: crc >>> 0,
    name: HEAPU8.slice(name, name + nameLength),
    start: [HEAPU8[fields], HEAPU8[fields + 1]],
    end: [HEAPU8[fields + 2], HEAPU8[fields + 3]],
    // Into a buffer of the worker's when it keeps them (a collection's).
    bytes: Module.keepBytes ? Module.keepBytes(bytes, length) : HEAPU8.slice(bytes, bytes + length),
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

// The zip's CRC-32 of each file's bytes, made here while they are at hand,
// eight bytes a step (slicing-by-8): a byte a step took as long as the
// extraction. The tables are made on first use: as constants they added
// 10 KB to the page.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

CrcTables makeCrcTables() {
  CrcTables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (size_t t = 1; t < tables.size(); ++t) {
    for (uint32_t n = 0; n < 256; ++n) {
      tables[t][n] = (tables[t - 1][n] >> 8) ^ tables[0][tables[t - 1][n] & 0xFFu];
    }
  }
  return tables;
}

uint32_t littleEndian32(const uint8_t* p) {
  return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint32_t crc32(std::span<const uint8_t> bytes) {
  static const CrcTables t = makeCrcTables();
  uint32_t c = 0xFFFFFFFFu;
  size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    const uint32_t low = c ^ littleEndian32(&bytes[at]);
    const uint32_t high = littleEndian32(&bytes[at + 4]);
    c = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^ t[4][low >> 24] ^
        t[3][high & 0xFFu] ^ t[2][(high >> 8) & 0xFFu] ^ t[1][(high >> 16) & 0xFFu] ^ t[0][high >> 24];
  }
  for (; at < bytes.size(); ++at) c = t[0][(c ^ bytes[at]) & 0xFFu] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

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
            static_cast<int>(value.bytes.size()), static_cast<int>(value.damage),
            crc32(value.bytes));
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
