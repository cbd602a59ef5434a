#include "test_support.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

namespace d88::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const auto name = "d88test-" + std::to_string(random()) + "-" + std::to_string(counter++);
  path_ = fs::temp_directory_path() / name;
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Bytes readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string asString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

Bytes imageOf(const build::VolumeDisk& disk) {
  return build::buildDisk(build::toDisk(disk));
}

Bytes slice(const Bytes& bytes, size_t offset, size_t length) {
  return Bytes(bytes.begin() + static_cast<ptrdiff_t>(offset),
               bytes.begin() + static_cast<ptrdiff_t>(offset + length));
}

}  // namespace d88::testing
