// Names that only Windows refuses: written as they stand by the POSIX build,
// refused (or written under their proper characters) by the Windows build.
#include <gtest/gtest.h>

#include <string>

#include "expected_messages.h"
#include "test_support.h"
#include "volume_builder.h"

namespace d88 {
namespace {

using build::Bytes;
using build::VolumeDisk;
using testing::RunResult;
using namespace expected;

struct Case {
  std::string name;
  bool windowsWrites;
};

const Case kCases[] = {
    {"\x83\x5C", true},          // ソ: second byte 0x5C
    {"\x95\x5C\x8E\xA6", true},  // 表示
    {"\x94\x5C.1", true},        // 能.1
    {"a\\b", false},             // a real backslash
    {"a:b", false},
    {"a*b", false},
    {"a?b", false},
    {"a\"b", false},
    {"a<b", false},
    {"a>b", false},
    {"a|b", false},
    {"a\x01z", false},
    {"CON", false},
    {"con.x", false},
    {"LPT1", false},
    {"COM9.a", false},
    {"AUX", false},
    {"ab.", false},
    {"\x81", false},      // a lead byte with nothing after it
    {"\x85\x40", false},  // a pair code page 932 leaves unassigned
    {"COM0", false},
    {"lpt0", false},
    {"CONIN$", false},
    {"CONS", true},
    {"COM10", true},
};

TEST(HostNames, OnlyWindowsRefusesWhatWindowsForbids) {
  VolumeDisk disk;
  for (const Case& c : kCases) build::addEntry(disk.sides[0], c.name, 2, 1, 2, 1);
  std::fill_n(disk.sides[0].volume.begin() + 10 * 1024, 1024, uint8_t{0x3C});
  const RunResult run = testing::runOnImage(testing::imageOf(disk));

  std::string err;
  std::map<std::string, Bytes> files;
  for (const Case& c : kCases) {
    if (testing::programIsWindows() && !c.windowsWrites) {
      err += unsafeName(c.name);
    } else {
      files[c.name] = Bytes(1024, 0x3C);
    }
  }
  EXPECT_EQ(run.status, err.empty() ? 0 : 1);
  EXPECT_EQ(run.err, err);
  EXPECT_EQ(run.files, files);
  EXPECT_TRUE(run.outside.empty());
}

}  // namespace
}  // namespace d88
