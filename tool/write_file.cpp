#include "write_file.h"

#include <cstdio>

#include "host_file.h"

namespace d88 {

bool writeFile(const char* name, const uint8_t* data, int32_t length) {
  std::FILE* out = createHostFile(name);
  if (out == nullptr) return false;
  const auto size = static_cast<size_t>(length);
  const bool written = std::fwrite(data, 1, size, out) == size;
  // Buffered bytes can still fail to reach the disk at close.
  const bool closed = std::fclose(out) == 0;
  return written && closed;
}

}  // namespace d88
