#include "d88_image.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <vector>

namespace d88 {

namespace {

// 128 << n, saturated: from n = 24 on it exceeds any int32_t request.
int64_t nominalSectorLength(int32_t n) {
  return int64_t{128} << std::min(n, 24);
}

bool isIdByte(int32_t value) {
  return value >= 0 && value <= 255;
}

bool isId(int32_t c, int32_t h, int32_t r, int32_t n) {
  return isIdByte(c) && isIdByte(h) && isIdByte(r) && isIdByte(n);
}

uint32_t keyOf(int32_t c, int32_t h, int32_t r, int32_t n) {
  return sectorKey(static_cast<uint32_t>(c), static_cast<uint32_t>(h), static_cast<uint32_t>(r),
                   static_cast<uint32_t>(n));
}

}  // namespace

D88Image::~D88Image() {
  close();
}

bool D88Image::open(const char* path) {
  if (path == nullptr) return close();
  return openFile(std::fopen(path, "rb"));
}

bool D88Image::openFile(std::FILE* file) {
  close();
  if (file == nullptr) return false;
  file_ = file;
  // The window is the buffer; a second one inside stdio would only copy.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  window_.source = {file_, {}, {}};
  open_ = true;
  beginIndex();
  // A path that opens but cannot be read, such as a folder, is no image.
  if (std::ferror(file_) != 0) {
    close();
    return false;
  }
  return true;
}

bool D88Image::openBytes(std::span<const uint8_t> bytes) {
  close();
  window_.source = {nullptr, bytes, {}};
  open_ = true;
  beginIndex();
  return true;
}

bool D88Image::openReader(RangeReader reader) {
  close();
  if (reader.read == nullptr) return false;
  window_.source = {nullptr, {}, reader};
  open_ = true;
  beginIndex();
  return true;
}

// Forgets everything about the image before: its disks, the selected disk's
// header and track table, and whatever was read of it.
bool D88Image::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  open_ = false;
  window_.source = {};
  forgetWindow(window_);
  diskCount_ = 0;
  nextDiskOffset_ = 0;
  indexEnded_ = true;
  clearSelection();
  return true;
}

void D88Image::clearSelection() {
  diskBase_ = -1;
  diskSize_ = 0;
  trackOffsets_.fill(0);
  mediaType_ = -1;
  writeProtected_ = false;
  diskName_.fill('\0');
  forgetLocated();
}

void D88Image::forgetLocated() {
  located_.clear();
}

// The first disk is indexed at once: whether the image holds one at all is
// what every caller asks first.
void D88Image::beginIndex() {
  diskCount_ = 0;
  nextDiskOffset_ = 0;
  indexEnded_ = false;
  indexDisks(1);
}

// Walks the disk headers on until `wanted` are indexed or the walk ends. The
// disks lie end to end, each one's size field leading to the next.
void D88Image::indexDisks(int32_t wanted) {
  while (!indexEnded_ && diskCount_ < std::min(wanted, kMaxDisks)) {
    uint8_t header[kHeaderSize];
    if (readAt(window_, nextDiskOffset_, header, kHeaderSize) != kHeaderSize) {
      indexEnded_ = true;
      return;
    }
    diskOffsets_[static_cast<size_t>(diskCount_)] = static_cast<int32_t>(nextDiskOffset_);
    ++diskCount_;
    nextDiskOffset_ += readLe32(header + kDiskSizeOffset);
    // Offsets are 32-bit signed: a disk that would start beyond that range is
    // not indexed, the ones before it are.
    if (nextDiskOffset_ > std::numeric_limits<int32_t>::max()) indexEnded_ = true;
  }
  if (diskCount_ == kMaxDisks) indexEnded_ = true;
}

int32_t D88Image::diskCount() {
  indexDisks(kMaxDisks);
  return diskCount_;
}

bool D88Image::selectDisk(int32_t index) {
  if (!open_) return false;
  clearSelection();
  if (index < 0 || index >= kMaxDisks) return false;
  indexDisks(index + 1);
  if (index >= diskCount_) return false;

  const int32_t base = diskOffsets_[static_cast<size_t>(index)];
  uint8_t header[kHeaderSize];
  if (readAt(window_, base, header, kHeaderSize) != kHeaderSize) return false;

  diskBase_ = base;
  for (size_t i = 0; i < trackOffsets_.size(); ++i) {
    trackOffsets_[i] = readLe32(header + kTrackTableOffset + 4 * i);
  }
  mediaType_ = header[kMediaTypeOffset];
  writeProtected_ = header[kWriteProtectOffset] != 0;
  diskSize_ = readLe32(header + kDiskSizeOffset);
  size_t length = 0;
  while (length < kNameLength && header[length] != 0) ++length;
  std::copy_n(header, length, diskName_.begin());
  return true;
}

bool D88Image::headerIsPlausible() const {
  return diskBase_ >= 0 && diskSize_ >= static_cast<uint32_t>(kHeaderSize) &&
         std::all_of(trackOffsets_.begin(), trackOffsets_.end(), [this](uint32_t offset) {
           return isPlausibleTrackOffset(offset, diskSize_);
         });
}

int64_t D88Image::imageBytes() {
  if (!open_) return -1;
  if (file_ != nullptr) return seekToEnd(file_);  // the window seeks before every read anyway
  if (window_.source.reader.read != nullptr) return window_.end;
  return static_cast<int64_t>(window_.source.bytes.size());
}

int32_t D88Image::readBytes(int64_t position, uint8_t* dest, int32_t length) {
  return open_ ? readAt(window_, position, dest, length) : 0;
}

void D88Image::setSectorRange(int32_t first, int32_t last) {
  firstSector_ = first;
  lastSector_ = last;
}

bool D88Image::locateSectors(std::span<const SectorRequest> requests) {
  forgetLocated();
  if (requests.size() > kMaxLocatedSectors) return false;
  // Requests no track can answer are left out: readSector refuses them first.
  std::vector<SweepRequest> sought;
  for (const SectorRequest& request : requests) {
    int64_t start = 0;
    if (trackStart(request.track, start) && isId(request.c, request.h, request.r, request.n)) {
      sought.push_back({start, keyOf(request.c, request.h, request.r, request.n)});
      located_.push_back({request.track, sought.back().key, {}});
    }
  }
  std::vector<SweepAnswer> answers(sought.size());
  sweepTracks(window_, sought, answers);
  for (size_t i = 0; i < answers.size(); ++i) located_[i].answer = answers[i];
  // The first of a repeated request holds the answer; sorted stably, it stays first.
  std::stable_sort(located_.begin(), located_.end());
  return true;
}

// The first record of the ID within the track's walk: as located, or by a
// walk of its own.
bool D88Image::findSector(int32_t track, uint32_t key, int64_t start, FoundSector& found) {
  const Located sought{track, key, {}};
  const auto at = std::lower_bound(located_.begin(), located_.end(), sought);
  SweepAnswer answer;
  if (at != located_.end() && !(sought < *at)) {
    answer = at->answer;
  } else {
    const SweepRequest request{start, key};
    sweepTracks(window_, std::span(&request, 1), std::span(&answer, 1));
  }
  found = answer.sector;
  return answer.found;
}

int32_t D88Image::readSector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n,
                             uint8_t* dest, int32_t maxLength) {
  lastSectorStatus_ = -1;
  int64_t start = 0;
  FoundSector found;
  // An ID byte outside 0..255 matches no record.
  if (!trackStart(track, start) || !isId(c, h, r, n) ||
      !findSector(track, keyOf(c, h, r, n), start, found)) {
    return 0;
  }
  lastSectorStatus_ = found.status;
  return readAt(window_, found.dataOffset, dest, std::clamp(maxLength, 0, found.dataSize));
}

int32_t D88Image::readSectors(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n,
                              uint8_t* dest, int32_t total) {
  if (n < 0 || n > 255) return 0;
  const int64_t nominal = nominalSectorLength(n);
  SectorAddress at{track, c, h, r};
  int32_t done = 0;
  while (done < total) {
    const auto step = static_cast<int32_t>(std::min<int64_t>(nominal, total - done));
    if (readSector(at.track, at.c, at.h, at.r, n, dest + done, step) < step) return done;
    done += step;
    at = nextSector(at);
  }
  return done;
}

SectorAddress D88Image::nextSector(SectorAddress at) const {
  // Only called after a sector was found, or with the caller's own address:
  // saturate rather than overflow on the latter.
  if (at.r != lastSector_) {
    at.r = at.r < std::numeric_limits<int32_t>::max() ? at.r + 1 : at.r;
    return at;
  }
  at.track = std::min(at.track, kTrackCount) + 1;
  if (at.h == 0) {
    at.h = 1;
  } else {
    at.h = 0;
    at.c = at.c < std::numeric_limits<int32_t>::max() ? at.c + 1 : at.c;
  }
  at.r = firstSector_;
  return at;
}

int32_t D88Image::listSectorIds(int32_t track, uint8_t* dest, int32_t capacity) {
  int64_t offset = 0;
  if (!trackStart(track, offset)) return 0;
  int32_t written = 0;
  // A count of 0 never matches i + 1, so such a walk ends only when the
  // buffer is full or the file ends.
  for (uint32_t i = 0; capacity - written >= 4; ++i) {
    uint8_t header[kSectorHeaderSize];
    if (readAt(window_, offset, header, kSectorHeaderSize) != kSectorHeaderSize) break;
    std::copy_n(header, 4, dest + written);
    written += 4;
    if (i + 1 == readLe16(header + kSectorCountOffset)) break;
    offset += kSectorHeaderSize + readLe16(header + kDataSizeOffset);
  }
  return written;
}

int32_t D88Image::listSectorRecords(int32_t track, SectorRecord* dest, int32_t capacity) {
  int64_t start = 0;
  if (!trackStart(track, start)) return 0;
  const int32_t wanted = std::clamp(capacity, 0, kMaxListedRecords);
  std::array<int64_t, kMaxListedRecords> dataOffsets{};
  std::array<SweepRequest, kMaxListedRecords> requests{};
  int32_t count = 0;
  int64_t offset = start;
  for (uint32_t i = 0; count < wanted; ++i) {
    uint8_t header[kSectorHeaderSize];
    if (readAt(window_, offset, header, kSectorHeaderSize) != kSectorHeaderSize) break;
    const uint16_t dataSize = readLe16(header + kDataSizeOffset);
    dest[count] = {header[0], header[1], header[2], header[3], dataSize, header[kStatusOffset], false};
    dataOffsets[static_cast<size_t>(count)] = offset + kSectorHeaderSize;
    requests[static_cast<size_t>(count)] = {start, keyOf(header[0], header[1], header[2], header[3])};
    ++count;
    if (i + 1 == readLe16(header + kSectorCountOffset)) break;
    offset += kSectorHeaderSize + dataSize;
  }
  // The records readSector finds, all in one pass, as the extraction's reads
  // find them.
  std::array<SweepAnswer, kMaxListedRecords> answers{};
  sweepTracks(window_, std::span(requests.data(), static_cast<size_t>(count)),
              std::span(answers.data(), static_cast<size_t>(count)));
  for (int32_t k = 0; k < count; ++k) {
    const SweepAnswer& answer = answers[static_cast<size_t>(k)];
    dest[k].reached = answer.found && answer.sector.dataOffset == dataOffsets[static_cast<size_t>(k)];
  }
  return count;
}

bool D88Image::trackStart(int32_t track, int64_t& start) const {
  if (!open_ || track < 0 || track >= kTrackCount) return false;
  const uint32_t offset = trackOffsets_[static_cast<size_t>(track)];
  if (offset == 0 || offset > diskSize_) return false;
  start = int64_t{diskBase_} + offset;
  return true;
}

}  // namespace d88
