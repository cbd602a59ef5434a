// The least any extraction that never writes a file in place can cost: read
// the image once, write the same files with plain stdio, each to a new file
// renamed over its name, parse nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace d88::bench {

struct OutputFile {
  std::string name;
  int32_t size = 0;
};

bool floorCopy(const char* imagePath, const std::vector<OutputFile>& files);

// The regular files of a folder, as the manifest for floorCopy.
std::vector<OutputFile> filesOf(const std::string& folder);

}  // namespace d88::bench
