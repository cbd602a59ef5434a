// The golden fixtures under tests/fixtures/: images whose expected output,
// messages, exit status and file checksums were written by an independent
// script (make_fixtures.py), never by running the program.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "test_support.h"

namespace d88 {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = D88_FIXTURES_DIR;

std::string text(const fs::path& path) {
  return testing::asString(testing::readBytes(path));
}

// "<sha256>  <name>" lines, as sha256sum writes them.
std::map<std::string, std::string> checksums(const fs::path& path) {
  std::map<std::string, std::string> sums;
  std::istringstream lines(text(path));
  for (std::string line; std::getline(lines, line);) sums[line.substr(66)] = line.substr(0, 64);
  return sums;
}

class Fixture : public ::testing::TestWithParam<std::string> {};

TEST_P(Fixture, ProgramDoesWhatTheFixtureSays) {
  const fs::path folder = kFixtures / GetParam();
  const testing::RunResult run = testing::runOnImage(testing::readBytes(folder / "image.d88"));
  EXPECT_EQ(run.status, std::stoi(text(folder / "status")));
  EXPECT_EQ(run.out, text(folder / "stdout"));
  EXPECT_EQ(run.err, text(folder / "stderr"));
  std::map<std::string, std::string> written;
  for (const auto& [name, bytes] : run.files) written[name] = testing::sha256Hex(bytes);
  EXPECT_EQ(written, checksums(folder / "files.sha256"));
}

INSTANTIATE_TEST_SUITE_P(Golden, Fixture,
                         ::testing::Values("both-sides", "second-disk-2dd", "damaged",
                                           "refused-entry"),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param;
                           std::erase(name, '-');
                           return name;
                         });

TEST(Sha256, MatchesThePublishedVectors) {
  EXPECT_EQ(testing::sha256Hex({}),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  const std::string abc = "abc";
  EXPECT_EQ(testing::sha256Hex(testing::Bytes(abc.begin(), abc.end())),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(testing::sha256Hex(testing::Bytes(two.begin(), two.end())),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
}  // namespace d88
