// Drives D88Image with the input as the image file and, from the input's
// tail, a sequence of operations; compares every result and every byte with
// the plain reference reader and checks that nothing past a result is written.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "d88_image.h"
#include "fuzz_support.h"
#include "reference_reader.h"

namespace {

using d88::fuzz::ReferenceReader;

constexpr int32_t kMaxRequest = 70000;  // more than any sector holds
constexpr uint8_t kCanary = 0xA5;

int32_t pickId(FuzzedDataProvider& input) {
  // Mostly real byte values, sometimes ones no record can hold.
  if (input.ConsumeIntegralInRange(0, 15) == 0) return input.ConsumeIntegral<int32_t>();
  return input.ConsumeIntegral<uint8_t>();
}

int32_t pickLength(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: return input.ConsumeIntegralInRange<int32_t>(-8, 8);
    case 1: return 128 << input.ConsumeIntegralInRange(0, 3);
    default: return input.ConsumeIntegralInRange<int32_t>(-8, kMaxRequest);
  }
}

// Destination buffers for both readers, canary-filled; only the part an
// operation may touch is checked and refilled, to keep executions cheap.
struct Buffers {
  std::vector<uint8_t> ours = std::vector<uint8_t>(kMaxRequest + 8, kCanary);
  std::vector<uint8_t> theirs = std::vector<uint8_t>(kMaxRequest + 8, kCanary);
  size_t limit = 0;  // bytes the current operation may write, plus a margin

  void allow(int32_t length) { limit = static_cast<size_t>(std::max(length, 0)) + 8; }
  bool same() const { return std::memcmp(ours.data(), theirs.data(), limit) == 0; }
  // memcmp, not a loop: a loop here would be instrumented byte by byte.
  bool untouchedFrom(size_t from) const {
    static const std::vector<uint8_t> canaries(kMaxRequest + 8, kCanary);
    const size_t start = std::min(from, limit);
    return std::memcmp(ours.data() + start, canaries.data(), limit - start) == 0;
  }
  void refill() {
    std::fill(ours.begin(), ours.begin() + span(), kCanary);
    std::fill(theirs.begin(), theirs.begin() + span(), kCanary);
    limit = 0;
  }
  ptrdiff_t span() const { return static_cast<ptrdiff_t>(limit); }
};

// The page's and a pipe's way in: the image's ranges fetched as the reader
// asks for them.
int32_t readInput(void* context, int64_t position, uint8_t* dest, int32_t length) {
  const auto& bytes = *static_cast<std::span<const uint8_t>*>(context);
  if (position < 0 || static_cast<uint64_t>(position) >= bytes.size() || length <= 0) return 0;
  const size_t count =
      std::min(static_cast<size_t>(length), bytes.size() - static_cast<size_t>(position));
  std::memcpy(dest, bytes.data() + position, count);
  return static_cast<int32_t>(count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = d88::fuzz::scratchFolder("reader") + "/input.d88";
  static Buffers buffers;
  if (!d88::fuzz::writeInput(path, data, size)) return 0;

  // A fresh reader per input, so that no input depends on another.
  d88::D88Image image;
  ReferenceReader reference({data, size});
  // From the file, or by ranges: the same results either way.
  std::span<const uint8_t> bytes(data, size);
  if (size > 0 && (data[size - 1] & 1) != 0) {
    FUZZ_CHECK(image.openReader({readInput, &bytes}));
  } else {
    FUZZ_CHECK(image.open(path.c_str()));
  }
  FUZZ_CHECK(image.diskCount() == reference.diskCount());
  FUZZ_CHECK(image.diskCount() >= 0 && image.diskCount() <= d88::kMaxDisks);

  FuzzedDataProvider input(data, size);
  for (int op = 0; op < 48 && input.remaining_bytes() > 0; ++op) {
    buffers.refill();
    switch (input.ConsumeIntegralInRange(0, 6)) {
      case 0: {
        const int32_t count = image.diskCount();
        const int32_t index = input.ConsumeBool() ? input.ConsumeIntegralInRange(-1, count)
                                                  : input.ConsumeIntegral<int32_t>();
        FUZZ_CHECK(image.selectDisk(index) == reference.selectDisk(index));
        FUZZ_CHECK(image.mediaType() == reference.mediaType());
        FUZZ_CHECK(image.mediaType() >= -1 && image.mediaType() <= 255);
        FUZZ_CHECK(std::strlen(image.diskName()) <= d88::kNameLength);
        FUZZ_CHECK(reference.diskName() == image.diskName());
        break;
      }
      case 1: {
        const int32_t first = pickId(input);
        const int32_t last = pickId(input);
        image.setSectorRange(first, last);
        reference.setSectorRange(first, last);
        break;
      }
      case 2:
      case 3: {
        const int32_t track = input.ConsumeIntegralInRange(-2, d88::kTrackCount + 1);
        const int32_t c = pickId(input), h = pickId(input), r = pickId(input);
        const int32_t n = input.ConsumeIntegralInRange(0, 7) == 0
                              ? pickId(input)
                              : input.ConsumeIntegralInRange(0, 3);
        const int32_t length = pickLength(input);
        buffers.allow(length);
        if (input.ConsumeBool()) {
          const int32_t got = image.readSector(track, c, h, r, n, buffers.ours.data(), length);
          const int32_t want =
              reference.readSector(track, c, h, r, n, buffers.theirs.data(), length);
          FUZZ_CHECK(got == want);
          FUZZ_CHECK(got >= 0 && got <= std::max(length, 0));
          FUZZ_CHECK(buffers.untouchedFrom(static_cast<size_t>(got)));
        } else {
          const int32_t got = image.readSectors(track, c, h, r, n, buffers.ours.data(), length);
          const int32_t want =
              reference.readSectors(track, c, h, r, n, buffers.theirs.data(), length);
          FUZZ_CHECK(got == want);
          FUZZ_CHECK(got >= 0 && got <= std::max(length, 0));
        }
        FUZZ_CHECK(buffers.same());
        FUZZ_CHECK(image.lastSectorStatus() == reference.lastSectorStatus());
        break;
      }
      case 4: {
        const int32_t track = input.ConsumeIntegralInRange(-2, d88::kTrackCount + 1);
        const int32_t capacity = input.ConsumeIntegralInRange(-5, 4099);
        buffers.allow(capacity);
        const int32_t got = image.listSectorIds(track, buffers.ours.data(), capacity);
        FUZZ_CHECK(got == reference.listSectorIds(track, buffers.theirs.data(), capacity));
        FUZZ_CHECK(got % 4 == 0 && got >= 0 && got <= std::max(capacity, 0));
        FUZZ_CHECK(buffers.same() && buffers.untouchedFrom(static_cast<size_t>(got)));
        // The records, with what a read of each ID reaches: the same IDs in
        // the same order, and a reached record's status the one a read of
        // its ID reports; no ID reached twice.
        std::vector<d88::SectorRecord> records(d88::kMaxListedRecords);
        const int32_t listed = image.listSectorRecords(track, records.data(), capacity / 4);
        FUZZ_CHECK(listed >= 0 && listed <= std::min(std::max(capacity / 4, 0), d88::kMaxListedRecords));
        std::vector<uint8_t> ids(4 * static_cast<size_t>(d88::kMaxListedRecords));
        FUZZ_CHECK(reference.listSectorIds(track, ids.data(), 4 * listed) == 4 * listed);
        // A copy answers the reads, so that the reference's last status stays
        // the one the image's is checked against.
        auto probe = reference;
        std::vector<uint32_t> reachedIds;
        for (int32_t k = 0; k < listed; ++k) {
          const d88::SectorRecord& record = records[static_cast<size_t>(k)];
          const uint8_t* id = &ids[4 * static_cast<size_t>(k)];
          FUZZ_CHECK(record.c == id[0] && record.h == id[1] && record.r == id[2] && record.n == id[3]);
          if (!record.reached) continue;
          uint8_t byte = 0;
          FUZZ_CHECK(probe.readSector(track, record.c, record.h, record.r, record.n, &byte, 0) >= 0);
          FUZZ_CHECK(probe.lastSectorStatus() == record.status);
          const uint32_t key = static_cast<uint32_t>(record.c) << 24 | static_cast<uint32_t>(record.h) << 16 |
                               static_cast<uint32_t>(record.r) << 8 | record.n;
          FUZZ_CHECK(std::find(reachedIds.begin(), reachedIds.end(), key) == reachedIds.end());
          reachedIds.push_back(key);
        }
        break;
      }
      case 5: {
        // Later searches answer from what this finds; the reference walks.
        std::vector<d88::SectorRequest> plan(input.ConsumeIntegralInRange<size_t>(0, 40));
        for (d88::SectorRequest& request : plan) {
          request = {input.ConsumeIntegralInRange(-1, d88::kTrackCount), pickId(input),
                     pickId(input), pickId(input), input.ConsumeIntegralInRange(0, 3)};
        }
        FUZZ_CHECK(image.locateSectors(plan));
        break;
      }
      default: {
        // Move the file position and the window somewhere else entirely.
        const int32_t index = input.ConsumeIntegralInRange(0, 3);
        FUZZ_CHECK(image.selectDisk(index) == reference.selectDisk(index));
        break;
      }
    }
  }
  image.close();
  return 0;
}
