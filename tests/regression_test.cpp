// Crafted and hostile images, each with the outcome the program must have:
// exit status, messages and the files it leaves. No crash, no hang, nothing
// outside the folder.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "expected_messages.h"
#include "hostile_images.h"
#include "test_support.h"

namespace d88 {
namespace {

using namespace expected;
using Names = std::set<std::string>;

struct Outcome {
  int status = 0;
  std::string err;
  Names files;
  std::string out = {};  // checked when not empty
};

const Names kCompactFiles = {"A", "m.0000", "B", "C", "IPLMUS"};
const std::string kCompactListing = kRecognised +
                                    "A          START:02 01    END:02 02   SIZE:0800\n"
                                    "m.0000     START:02 03    END:02 03   SIZE:0400\n"
                                    "B          START:03 01    END:03 05   SIZE:1400\n"
                                    "C          START:02 01    END:02 01   SIZE:0400\n";
const Outcome kNoDirectory = {0, directoryIncomplete(0) + directoryIncomplete(1), {}, kRecognised};

std::string emptyEntries(int side, int first, int last) {
  std::string err;
  for (int k = first; k <= last; ++k) err += unsafeName(entryLabel(side, k));
  return err;
}

std::map<std::string, Outcome> outcomes() {
  Names withEmpty = kCompactFiles;
  withEmpty.insert("EMPTY");
  return {
      {"compact-volume", {0, "", kCompactFiles, kCompactListing}},
      {"unsafe-names",
       {1,
        unsafeName("../a") + unsafeName("/tmp/a") + unsafeName(".") + unsafeName("..") +
            unsafeName(entryLabel(1, 5)),
        kCompactFiles}},
      {"out-of-range-entries",
       {1,
        outsideVolume("ZERO") + outsideVolume("PAST") + outsideVolume("NEG") + outsideVolume("MAX"),
        withEmpty}},
      {"no-end-mark", {1, emptyEntries(1, 1, 319), kCompactFiles}},
      {"cut-in-sector-header", {0, unreadSectors("B"), kCompactFiles, kCompactListing}},
      {"cut-in-sector-data", {0, unreadSectors("B"), kCompactFiles, kCompactListing}},
      {"disk-size-0x80000000", {0, "", kCompactFiles, kCompactListing}},
      {"disk-size-0xffffffff", {0, "", kCompactFiles, kCompactListing}},
      {"track-offsets-huge", kNoDirectory},
      {"disk-size-zero", kNoDirectory},
      {"media-2d", {1, kUnsupported, {}}},
      {"shorter-than-a-header", {1, kUnsupported, {}}},
      {"two-disks", {0, "", kCompactFiles, kCompactListing}},
      {"disagreeing-counts-small", kNoDirectory},
      {"disagreeing-counts", kNoDirectory},
      {"zero-length-track", kNoDirectory},
  };
}

const std::map<std::string, build::Bytes>& images() {
  static const auto all = [] {
    std::map<std::string, build::Bytes> byName;
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
  EXPECT_EQ(run.err, expected->second.err);
  Names files;
  for (const auto& file : run.files) files.insert(file.first);
  EXPECT_EQ(files, expected->second.files);
  if (!expected->second.out.empty()) {
    EXPECT_EQ(run.out, expected->second.out);
  }
  EXPECT_TRUE(run.strays.empty());
}

INSTANTIATE_TEST_SUITE_P(Regression, CraftedImage, ::testing::ValuesIn(imageNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(CraftedImage, FileCutInsideSectorDataKeepsWhatTheImageHolds) {
  const testing::RunResult run = testing::runOnImage(images().at("cut-in-sector-data"));
  const build::Bytes& b = run.files.at("B");
  const build::Bytes whole = build::patternBytes(5 * 1024, 3);
  EXPECT_EQ(testing::slice(b, 0, 2048 + 500), testing::slice(whole, 0, 2048 + 500));
  EXPECT_EQ(testing::slice(b, 2048 + 500, 5120 - 2548), build::Bytes(5120 - 2548, 0));
}

}  // namespace
}  // namespace d88
