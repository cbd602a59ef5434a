// Layout of a D88 disk image: offsets, sizes and the little-endian field
// readers. Everything that knows where a field lies in the file reads it here.
#pragma once

#include <cstdint>

namespace d88 {

// Disk header.
inline constexpr int32_t kHeaderSize = 0x2B0;
inline constexpr int32_t kNameLength = 16;
inline constexpr int32_t kWriteProtectOffset = 0x1A;  // 0x10: protected
inline constexpr int32_t kMediaTypeOffset = 0x1B;
inline constexpr int32_t kDiskSizeOffset = 0x1C;
inline constexpr int32_t kTrackTableOffset = 0x20;
inline constexpr int32_t kTrackCount = 164;
inline constexpr int32_t kMaxDisks = 64;

inline constexpr int32_t kMedia2DD = 0x10;
inline constexpr int32_t kMedia2HD = 0x20;

// The media types D88 records: 2D, 2DD, 2HD, 1D and 1DD.
inline bool isD88Media(int32_t mediaType) {
  return mediaType == 0x00 || mediaType == kMedia2DD || mediaType == kMedia2HD ||
         mediaType == 0x30 || mediaType == 0x40;
}

// A track table entry names no track (0), or one that starts after the table
// and within the disk.
inline bool isPlausibleTrackOffset(uint32_t offset, uint32_t diskSize) {
  return offset == 0 || (offset >= static_cast<uint32_t>(kTrackTableOffset) && offset <= diskSize);
}

// Sector record header; the sector's data bytes follow it directly.
inline constexpr int32_t kSectorHeaderSize = 16;
inline constexpr int32_t kSectorCountOffset = 0x04;
inline constexpr int32_t kStatusOffset = 0x08;
inline constexpr int32_t kDataSizeOffset = 0x0E;

// The status byte records how the dumping drive read the sector: 0x00 is a
// normal read and 0x10 deleted data read normally; anything else (0xA0 ID CRC
// error, 0xB0 data CRC error, 0xE0 no address mark, ...) is a failed read
// whose bytes are stored as they came.
inline constexpr int32_t kStatusNormal = 0x00;
inline constexpr int32_t kStatusDeletedData = 0x10;
inline bool isDamagedStatus(int32_t status) {
  return status != kStatusNormal && status != kStatusDeletedData;
}

// Byte by byte, so the host's byte order never matters.
inline uint16_t readLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t readLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace d88
