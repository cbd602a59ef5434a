#include <cerrno>

#include "host_file.h"
#include "piped_image.h"

namespace d88 {

std::FILE* openImage(const char* path, bool& copyFailed) {
  copyFailed = false;
  std::FILE* file = openForReading(path);
  if (file == nullptr || canSeek(file)) return file;
  std::FILE* copy = newTemporaryFile();
  if (copy == nullptr || !copyUsableImage(file, copy)) {
    const int error = errno;
    if (copy != nullptr) std::fclose(copy);
    std::fclose(file);
    copyFailed = true;
    errno = error;
    return nullptr;
  }
  std::fclose(file);
  return copy;
}

}  // namespace d88
