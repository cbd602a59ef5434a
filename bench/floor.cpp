#include "floor.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace d88::bench {

bool floorCopy(const char* imagePath, const std::vector<OutputFile>& files) {
  static std::array<uint8_t, 1 << 16> chunk;
  static std::array<uint8_t, 1 << 20> fileBytes;
  std::FILE* image = std::fopen(imagePath, "rb");
  if (image == nullptr) return false;
  while (std::fread(chunk.data(), 1, chunk.size(), image) == chunk.size()) {
  }
  std::fclose(image);
  bool ok = true;
  for (const OutputFile& file : files) {
    // Never in place: a new file beside the name, renamed over it.
    const std::string temporary = file.name + ".floor-tmp";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) return false;
    const auto size = static_cast<size_t>(file.size);
    ok = std::fwrite(fileBytes.data(), 1, size, out) == size && ok;
    ok = std::fclose(out) == 0 && ok;
    ok = std::rename(temporary.c_str(), file.name.c_str()) == 0 && ok;
  }
  return ok;
}

std::vector<OutputFile> filesOf(const std::string& folder) {
  std::vector<OutputFile> files;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    files.push_back({item.path().filename().string(), static_cast<int32_t>(item.file_size())});
  }
  return files;
}

}  // namespace d88::bench
