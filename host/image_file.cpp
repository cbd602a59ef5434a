#include "image_file.h"

#include <cerrno>

#include "host_file.h"

namespace d88 {

bool openImage(D88Image& image, PipedImage& piped, const char* path, bool& copyFailed) {
  copyFailed = false;
  image.close();
  closePipedImage(piped);
  std::FILE* file = path != nullptr ? openForReading(path) : openStandardInput();
  if (file == nullptr || canSeek(file)) return image.openFile(file);
  std::FILE* copy = newTemporaryFile();
  if (copy == nullptr) {
    const int error = errno;
    std::fclose(file);
    copyFailed = true;
    errno = error;
    return false;
  }
  startPipedImage(piped, file, copy);
  // Opening reads the first disk's header: a copy that cannot even take that
  // is said now, as the copy it is.
  if (!image.openReader(pipedImageReader(piped)) || piped.failure != 0) {
    const int error = piped.failure;
    image.close();
    closePipedImage(piped);
    copyFailed = true;
    errno = error;
    return false;
  }
  return true;
}

}  // namespace d88
