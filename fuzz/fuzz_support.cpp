#include "fuzz_support.h"

#include <unistd.h>

#include <filesystem>

namespace d88::fuzz {

std::string scratchFolder(const char* purpose) {
  namespace fs = std::filesystem;
  const fs::path base =
      fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path folder =
      base / (std::string("d88fuzz-") + purpose + "-" + std::to_string(getpid()));
  fs::create_directories(folder);
  return folder.string();
}

bool writeInput(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, out) == size;
  return std::fclose(out) == 0 && written;
}

}  // namespace d88::fuzz
