// image/: the D88 container: index its disks, select one, find sectors, read
// runs and list IDs, from a file or from bytes in memory.
//
// Read access to the disks of a D88 image.
//
// The reader never prints: every failure is a result of false or a byte count
// of 0, and the caller decides what to say about it. All integers that come
// from the file are treated as untrusted.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "d88_format.h"
#include "file_window.h"
#include "track_sweep.h"

namespace d88 {

// One sector record of a track, as the image stores it.
struct SectorRecord {
  uint8_t c = 0;
  uint8_t h = 0;
  uint8_t r = 0;
  uint8_t n = 0;
  uint16_t dataSize = 0;
  uint8_t status = 0;
  bool reached = false;  // what readSector of this ID finds
};

// Where a sector is sought: the track index and the ID's C, H and R.
struct SectorAddress {
  int32_t track = 0;
  int32_t c = 0;
  int32_t h = 0;
  int32_t r = 0;
};

// A sector a caller is going to read: its track index and its whole ID.
struct SectorRequest {
  int32_t track = 0;
  int32_t c = 0;
  int32_t h = 0;
  int32_t r = 0;
  int32_t n = 0;
};

inline constexpr int32_t kMaxLocatedSectors = 1024;
// The most records listSectorRecords lists of one track: far more than any
// real track holds (26 at most on these disks).
inline constexpr int32_t kMaxListedRecords = 256;

class D88Image {
 public:
  D88Image() = default;
  ~D88Image();
  D88Image(const D88Image&) = delete;
  D88Image& operator=(const D88Image&) = delete;

  // Opens the image for reading and indexes its disks; true also when it
  // holds no complete disk. Whatever succeeds or fails, nothing of an earlier
  // file is kept. A null path closes, like close().
  bool open(const char* path);
  // The same for a file opened for binary reading, which the reader now
  // owns; null fails. It must be able to seek: a pipe is first copied
  // (copyUsableImage).
  bool openFile(std::FILE* file);
  // The same for an image already in memory; the bytes must outlive the
  // reader's use of them.
  bool openBytes(std::span<const uint8_t> bytes);
  // The same for an image fetched by ranges as the reader asks for them, so
  // that what cannot seek (a pipe) or is not here (the page's chosen file)
  // reads as a file does; the reader's context must outlive its use.
  bool openReader(RangeReader reader);
  bool close();

  // Loads the header and track table of one indexed disk. On failure (with a
  // file open) the selection is cleared and mediaType() is -1.
  bool selectDisk(int32_t index);

  // The disks are indexed as far as they are asked for: opening indexes the
  // first, selectDisk as far as its index, and diskCount all of them. Each
  // step reads a disk header, so an image that is never asked how many disks
  // it holds is never read past its first.
  int32_t diskCount();
  int32_t mediaType() const { return mediaType_; }
  // Whether the selected disk's header reads as one at all: its size covers
  // the header, and every track it names lies within the disk. For saying
  // why an image is refused, not for reading it. The header alone decides,
  // so an image says the same whether it is a file or still in a pipe.
  bool headerIsPlausible() const;
  // The image's length in bytes, or -1 if it cannot be told (an image read
  // by ranges tells it once a read has met its end).
  int64_t imageBytes();
  // Up to `length` of the image's bytes from `position`, as stored: for
  // telling what a refused file is. The count that arrived.
  int32_t readBytes(int64_t position, uint8_t* dest, int32_t length);
  // NUL-terminated, at most 16 bytes, taken as stored.
  const char* diskName() const { return diskName_.data(); }
  // Whether the selected disk's header flags it write-protected (any value
  // but 0x00 in its flag byte, as emulators take it).
  bool writeProtected() const { return writeProtected_; }

  // R of the first and last sector of a track, for readSectors' step from
  // one track to the next.
  void setSectorRange(int32_t first, int32_t last);

  // Finds at once where every one of these sectors lies, in one pass over
  // the image whatever its shape, and keeps the answers until the next
  // locateSectors, selectDisk, open or close: readSector then answers for
  // them without a walk. False, keeping nothing, for more than
  // kMaxLocatedSectors requests.
  bool locateSectors(std::span<const SectorRequest> requests);

  // Copies the data of sector (c, h, r, n) of the given track index, at most
  // maxLength bytes. Returns the number of bytes that arrived, 0 on failure.
  int32_t readSector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* dest,
                     int32_t maxLength);

  // Reads `total` bytes from consecutive sectors of size code n, starting at
  // (c, h, r, n) and crossing to the next track index after lastSector.
  // Returns the bytes of the steps that succeeded in full.
  int32_t readSectors(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* dest,
                      int32_t total);

  // The sector a run reads after `at`: R + 1, or after lastSector the first
  // sector of the next track index, with H 0 -> 1, or H back to 0 and C + 1.
  SectorAddress nextSector(SectorAddress at) const;

  // Status byte of the sector that the last readSector call found, or -1 if
  // it found none.
  int32_t lastSectorStatus() const { return lastSectorStatus_; }

  // Stores C, H, R, N of the track's records, 4 bytes each, as far as whole
  // entries fit in `capacity` bytes. Returns the bytes written.
  int32_t listSectorIds(int32_t track, uint8_t* dest, int32_t capacity);

  // The track's records as listSectorIds walks them, at most `capacity`,
  // each with its data size and status as stored and whether readSector of
  // its ID reaches it (a later record of the same ID, or one past the end
  // of the search, never is). Returns the records stored.
  int32_t listSectorRecords(int32_t track, SectorRecord* dest, int32_t capacity);

 private:
  void clearSelection();
  void forgetLocated();
  void beginIndex();
  void indexDisks(int32_t wanted);
  bool trackStart(int32_t track, int64_t& start) const;
  bool findSector(int32_t track, uint32_t key, int64_t start, FoundSector& found);

  std::FILE* file_ = nullptr;
  bool open_ = false;  // a file, or bytes in memory
  int32_t diskCount_ = 0;
  // Where the walk of disk headers goes on, and whether it has ended.
  int64_t nextDiskOffset_ = 0;
  bool indexEnded_ = true;
  int32_t firstSector_ = 1;
  int32_t lastSector_ = 16;
  std::array<int32_t, kMaxDisks> diskOffsets_{};
  // Sizes and track offsets are unsigned in the file; keeping them unsigned
  // makes a huge entry absent instead of a negative offset.
  uint32_t diskSize_ = 0;
  int32_t diskBase_ = -1;
  std::array<uint32_t, kTrackCount> trackOffsets_{};
  int32_t mediaType_ = -1;
  bool writeProtected_ = false;
  int32_t lastSectorStatus_ = -1;
  std::array<char, kNameLength + 1> diskName_{};

  FileWindow window_;
  // What locateSectors found, sorted by track and ID.
  struct Located {
    int32_t track = 0;
    uint32_t key = 0;
    SweepAnswer answer;
    bool operator<(const Located& other) const {
      return track != other.track ? track < other.track : key < other.key;
    }
  };
  std::vector<Located> located_;
};

}  // namespace d88
