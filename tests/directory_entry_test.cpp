// Which entries may be written, and from which bytes.
#include "directory_entry.h"

#include <gtest/gtest.h>

#include <string>

namespace d88 {
namespace {

DirectoryEntry entryOf(const std::string& name, uint8_t st, uint8_t ss, uint8_t et, uint8_t es) {
  uint8_t raw[kEntryBytes] = {' ', ' ', ' ', ' ', ' ', ' ', 'x', 'x', 'x', 'x', 'x', 'x'};
  std::copy(name.begin(), name.end(), raw);
  raw[kStartTrackOffset] = st;
  raw[kStartSectorOffset] = ss;
  raw[kEndTrackOffset] = et;
  raw[kEndSectorOffset] = es;
  return parseEntry(raw);
}

TEST(DirectoryEntry, NameEndsAtTheFirstSpaceOrZeroByte) {
  EXPECT_STREQ(entryOf("ABC", 2, 1, 2, 1).name.data(), "ABC");
  EXPECT_STREQ(entryOf("AB CD", 2, 1, 2, 1).name.data(), "AB");
  EXPECT_STREQ(entryOf(std::string("A\0BCD", 5), 2, 1, 2, 1).name.data(), "A");
  EXPECT_STREQ(entryOf("m.0000", 2, 1, 2, 1).name.data(), "m.0000");
  EXPECT_STREQ(entryOf(" ABC", 2, 1, 2, 1).name.data(), "");
  EXPECT_STREQ(entryOf("\x89\xB9\x8A\x79.1", 2, 1, 2, 1).name.data(), "\x89\xB9\x8A\x79.1");
}

TEST(DirectoryEntry, ByteRangeCountsWholeSectorsFromStartToEnd) {
  struct Case {
    uint8_t st, ss, et, es;
    int32_t offset, size;
  };
  const Case cases[] = {
      {2, 1, 2, 5, 10 * 1024, 5 * 1024},  // one whole track
      {3, 4, 3, 4, 18 * 1024, 1024},      // one sector
      {3, 5, 4, 1, 19 * 1024, 2048},      // across a track boundary
      {3, 4, 3, 3, 18 * 1024, 0},         // ends just before it starts
      {3, 4, 3, 1, 18 * 1024, -2048},     // ends well before it starts
      {0, 0, 0, 0, -1024, 1024},          // the sector before the volume
      {255, 255, 255, 255, 1529 * 1024, 1024},
  };
  for (const Case& c : cases) {
    const EntryByteRange range = entryByteRange(entryOf("F", c.st, c.ss, c.et, c.es));
    EXPECT_EQ(range.offset, c.offset) << int(c.st) << "/" << int(c.ss);
    EXPECT_EQ(range.size, c.size) << int(c.st) << "/" << int(c.ss);
  }
}

TEST(DirectoryEntry, VerdictKeepsEveryByteInsideTheVolumeImage) {
  EXPECT_EQ(judgeEntry(entryOf("A", 2, 1, 76, 5)), EntryVerdict::write);  // to the last byte
  EXPECT_EQ(judgeEntry(entryOf("A", 0, 1, 0, 1)), EntryVerdict::write);
  EXPECT_EQ(judgeEntry(entryOf("A", 3, 4, 3, 3)), EntryVerdict::write);    // empty file
  EXPECT_EQ(judgeEntry(entryOf("A", 77, 1, 77, 0)), EntryVerdict::write);  // empty, at the end
  EXPECT_EQ(judgeEntry(entryOf("A", 76, 5, 77, 1)), EntryVerdict::outsideVolume);
  EXPECT_EQ(judgeEntry(entryOf("A", 0, 0, 0, 1)), EntryVerdict::outsideVolume);
  EXPECT_EQ(judgeEntry(entryOf("A", 3, 4, 3, 2)), EntryVerdict::outsideVolume);
  EXPECT_EQ(judgeEntry(entryOf("A", 255, 255, 255, 255)), EntryVerdict::outsideVolume);
  EXPECT_EQ(judgeEntry(entryOf("..", 2, 1, 2, 1)), EntryVerdict::unsafeName);
  EXPECT_EQ(judgeEntry(entryOf("..", 0, 0, 0, 0)), EntryVerdict::unsafeName);
}

TEST(DirectoryEntry, EndMarkIsAFirstByteOf0xFF) {
  const uint8_t end[kEntryBytes] = {0xFF};
  const uint8_t notEnd[kEntryBytes] = {'A', 0xFF};
  EXPECT_TRUE(isEndMark(end));
  EXPECT_FALSE(isEndMark(notEnd));
}

}  // namespace
}  // namespace d88
