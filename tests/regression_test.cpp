// Crafted and hostile images, each with the whole outcome the program must
// have: exit status, listing, messages and every file it leaves, byte for
// byte. No crash, no hang, nothing outside the folder.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

#include "expected_messages.h"
#include "hostile_images.h"
#include "test_support.h"
#include "walk_shapes.h"

namespace d88 {
namespace {

using namespace expected;
using build::Bytes;
using testing::Files;

struct Outcome {
  int status = 0;
  std::string out;
  std::string err;
  Files files;
};

Files compactFiles() {
  const build::VolumeDisk volume = build::compactVolume();
  Files files = testing::filesOf(volume);
  files["IPLMUS"] = build::bootBlock(volume);
  return files;
}

const std::string kSide0 =
    "A          START:02 01    END:02 02   SIZE:0800\n"
    "m.0000     START:02 03    END:02 03   SIZE:0400\n"
    "B          START:03 01    END:03 05   SIZE:1400\n";
const std::string kSide1 = "C          START:02 01    END:02 01   SIZE:0400\n";
const std::string kCompactListing = kRecognised + kSide0 + kSide1;

// B with its sectors from byte `kept` on missing from the image.
Files compactCutAt(size_t kept) {
  Files files = compactFiles();
  std::fill(files["B"].begin() + static_cast<ptrdiff_t>(kept), files["B"].end(), 0);
  return files;
}

std::map<std::string, Outcome> outcomes() {
  const Outcome compact = {0, kCompactListing, "", compactFiles()};
  const Outcome noDirectory = {1, kRecognised, directoryIncomplete(0) + directoryIncomplete(1),
                               {}};
  const Outcome unsupported = {1, "", kUnsupported, {}};
  std::string emptyEntries;
  std::string emptyErrors;
  for (int k = 1; k < 320; ++k) {
    emptyEntries += "           START:00 00    END:00 00   SIZE:0400\n";
    emptyErrors += unsafeName(entryLabel(1, k));
  }
  Files withEmpty = compactFiles();
  withEmpty["EMPTY"] = {};
  // A Windows folder folds the names into four files, each holding the last
  // entry's bytes under the first one's name; a POSIX one keeps all twelve.
  const build::VolumeDisk windows = build::windowsNamesVolume();
  Outcome windowsNames = {0,
                          kRecognised +
                              "abc        START:02 01    END:02 01   SIZE:0400\n"
                              "ABC        START:02 02    END:02 02   SIZE:0400\n"
                              "\x82\x81         START:02 03    END:02 03   SIZE:0400\n"
                              "\x82\x60         START:02 04    END:02 04   SIZE:0400\n"
                              "\x83\xBF         START:02 05    END:02 05   SIZE:0400\n"
                              "\x83\x9F         START:03 01    END:03 01   SIZE:0400\n"
                              "\xEE\xEF         START:03 02    END:03 02   SIZE:0400\n"
                              "\x87\x54         START:03 03    END:03 03   SIZE:0400\n"
                              "\xFA\x4A         START:03 04    END:03 04   SIZE:0400\n"
                              "a\x7F         START:03 05    END:03 05   SIZE:0400\n"
                              "\x7F          START:04 01    END:04 01   SIZE:0400\n"
                              "x;         START:04 02    END:04 02   SIZE:0400\n",
                          "",
                          testing::filesOf(windows)};
  if (testing::programIsWindows()) {
    Files& files = windowsNames.files;
    windowsNames.err = replacedEarlier("ABC") + replacedEarlier("\x82\x60") +
                       replacedEarlier("\x83\x9F") + replacedEarlier("\x87\x54") +
                       replacedEarlier("\xFA\x4A");
    files = {{"abc", files["ABC"]},
             {"\x82\x81", files["\x82\x60"]},
             {"\x83\xBF", files["\x83\x9F"]},
             {"\xFA\x40", files["\xFA\x4A"]},  // ⅰ, as iconv gives it back
             {"a\x7F", files["a\x7F"]},
             {"\x7F", files["\x7F"]},
             {"x;", files["x;"]}};
  }
  return {
      {"compact-volume", compact},
      {"unsafe-names",
       {1,
        kCompactListing +
            "../a       START:02 01    END:02 01   SIZE:0400\n"
            "/tmp/a     START:02 01    END:02 01   SIZE:0400\n"
            ".          START:02 01    END:02 01   SIZE:0400\n"
            "..         START:02 01    END:02 01   SIZE:0400\n"
            "           START:02 01    END:02 01   SIZE:0400\n",
        unsafeName("../a") + unsafeName("/tmp/a") + unsafeName(".") + unsafeName("..") +
            unsafeName(entryLabel(1, 5)),
        compactFiles()}},
      {"out-of-range-entries",
       {1,
        kRecognised + kSide0 +
            "ZERO       START:00 00    END:00 00   SIZE:0400\n"
            "PAST       START:4c 05    END:4d 01   SIZE:0800\n"
            "NEG        START:03 04    END:03 02   SIZE:fffffc00\n"
            "MAX        START:ff ff    END:ff ff   SIZE:0400\n"
            "EMPTY      START:03 04    END:03 03   SIZE:0000\n" +
            kSide1,
        outsideVolume("ZERO") + outsideVolume("PAST") + outsideVolume("NEG") + outsideVolume("MAX"),
        withEmpty}},
      {"no-end-mark", {1, kCompactListing + emptyEntries, emptyErrors, compactFiles()}},
      {"cut-in-sector-header", {0, kCompactListing, unreadSectors("B"), compactCutAt(2048)}},
      {"cut-in-sector-data", {0, kCompactListing, unreadSectors("B"), compactCutAt(2048 + 500)}},
      {"disk-size-0x80000000", compact},
      {"disk-size-0xffffffff", compact},
      {"track-offsets-huge", noDirectory},
      {"disk-size-zero", noDirectory},
      {"track-table-of-160-entries", compact},
      {"disk-size-smaller-than-a-header", noDirectory},
      {"one-directory-empty-one-missing", {0, kRecognised, directoryIncomplete(1), {}}},
      {"garbage-entry-unread-track", compact},
      {"disk-size-short-of-last-track", compact},
      {"media-2d", unsupported},
      {"shorter-than-a-header", unsupported},
      {"two-disks", compact},
      {"mixed-records", {0, kCompactListing, damagedSectors("A"), compactFiles()}},
      {"windows-names", windowsNames},
      {"disagreeing-counts-small", noDirectory},
      {"disagreeing-counts", noDirectory},
      {"zero-length-track", noDirectory},
  };
}

const std::map<std::string, Bytes>& images() {
  static const auto all = [] {
    std::map<std::string, Bytes> byName;
    for (auto& [name, bytes] : build::craftedImages(SIZE_MAX)) byName[name] = std::move(bytes);
    return byName;
  }();
  return all;
}

std::vector<std::string> imageNames() {
  std::vector<std::string> names;
  for (const auto& image : images()) names.push_back(image.first);
  return names;
}

class CraftedImage : public ::testing::TestWithParam<std::string> {};

TEST_P(CraftedImage, HasItsOutcome) {
  const auto all = outcomes();
  const auto expected = all.find(GetParam());
  ASSERT_NE(expected, all.end()) << "no outcome written down for " << GetParam();
  const testing::RunResult run = testing::runOnImage(images().at(GetParam()));
  EXPECT_EQ(run.status, expected->second.status);
  EXPECT_EQ(run.out, expected->second.out);
  EXPECT_EQ(run.err, expected->second.err);
  EXPECT_EQ(run.files, expected->second.files);
  EXPECT_TRUE(run.other.empty());
  EXPECT_TRUE(run.outside.empty());
  // zcat image.d88.gz | d88extract -: through a pipe, exactly what the file gives.
  if (testing::programIsWindows()) return;
  const testing::RunResult piped = testing::runOnImage(
      images().at(GetParam()), {.wrapper = {"sh", "-c", "cat \"$1\" | \"$0\" /dev/stdin"}});
  EXPECT_EQ(piped.status, run.status);
  EXPECT_EQ(piped.out, run.out);
  EXPECT_EQ(piped.err, run.err);
  EXPECT_EQ(piped.files, run.files);
}

INSTANTIATE_TEST_SUITE_P(Regression, CraftedImage, ::testing::ValuesIn(imageNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

// Images whose walks are as long as the file; the output, not the time.
class WalkShape : public ::testing::TestWithParam<build::WalkShape> {};

TEST_P(WalkShape, GivesWhatItsRecordsHold) {
  const testing::TempDir dir;
  const std::string image = (dir.path() / "shape.d88").string();
  ASSERT_TRUE(build::writeShapeImage(image, GetParam(), 2 << 20));
  const testing::RunResult run = testing::runWithArgs({image});
  if (GetParam() != build::WalkShape::junkBeforeVolume) {
    EXPECT_EQ(run.status, 1);  // nothing could be extracted
    EXPECT_EQ(run.out, kRecognised);
    EXPECT_EQ(run.err, directoryIncomplete(0) + directoryIncomplete(1));
    EXPECT_TRUE(run.files.empty());
    return;
  }
  // Both sides ask for the same IDs from the same start: side 0's volume twice.
  const build::VolumeDisk volume = build::shapeVolume();
  const std::string side =
      "m.0000     START:02 01    END:02 02   SIZE:0800\n"
      "DATA       START:02 03    END:04 01   SIZE:2400\n";
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kRecognised + side + side);
  EXPECT_EQ(run.err, replacedEarlier("m.0000") + replacedEarlier("DATA"));
  Files expected = testing::filesOf(volume);
  expected["IPLMUS"] = build::bootBlock(volume);
  EXPECT_EQ(run.files, expected);
}

INSTANTIATE_TEST_SUITE_P(Regression, WalkShape, ::testing::ValuesIn(build::kWalkShapes),
                         [](const ::testing::TestParamInfo<build::WalkShape>& param) {
                           std::string name = build::shapeName(param.param);
                           std::erase(name, '-');
                           return name;
                         });

}  // namespace
}  // namespace d88
