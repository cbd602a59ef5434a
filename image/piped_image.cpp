#include "piped_image.h"

#include <algorithm>
#include <cerrno>

namespace d88 {

namespace {

constexpr int32_t kCopyStep = 1 << 16;

int errorOr(int fallback) {
  return errno != 0 ? errno : fallback;
}

// Takes the pipe forward until the copy holds `until` bytes or the pipe ends.
void copyForward(PipedImage& image, int64_t until) {
  image.buffer.resize(kCopyStep);
  // Writes go at the copy's end, whatever a read left its position at.
  if (image.copied < until && !image.ended && image.failure == 0 &&
      !seekTo(image.copy, image.copied)) {
    image.failure = errorOr(EIO);
  }
  while (image.copied < until && !image.ended && image.failure == 0) {
    const auto want = static_cast<size_t>(std::min<int64_t>(kCopyStep, until - image.copied));
    errno = 0;
    const size_t got = std::fread(image.buffer.data(), 1, want, image.pipe);
    if (std::ferror(image.pipe) != 0) {
      image.failure = errorOr(EIO);
    } else if (std::fwrite(image.buffer.data(), 1, got, image.copy) != got) {
      image.failure = errorOr(EIO);
    } else {
      image.copied += static_cast<int64_t>(got);
      image.ended = got < want;
    }
  }
}

int32_t readPiped(void* context, int64_t position, uint8_t* dest, int32_t length) {
  auto& image = *static_cast<PipedImage*>(context);
  if (position < 0 || length <= 0) return 0;
  copyForward(image, position + length);
  if (position >= image.copied || !seekTo(image.copy, position)) return 0;
  const auto want = static_cast<size_t>(std::min<int64_t>(length, image.copied - position));
  return static_cast<int32_t>(std::fread(dest, 1, want, image.copy));
}

}  // namespace

void startPipedImage(PipedImage& image, std::FILE* pipe, std::FILE* copy) {
  closePipedImage(image);
  std::setvbuf(pipe, nullptr, _IONBF, 0);
  std::setvbuf(copy, nullptr, _IONBF, 0);
  image.pipe = pipe;
  image.copy = copy;
}

void closePipedImage(PipedImage& image) {
  if (image.pipe != nullptr) std::fclose(image.pipe);
  if (image.copy != nullptr) std::fclose(image.copy);
  image.pipe = nullptr;
  image.copy = nullptr;
  image.copied = 0;
  image.ended = false;
  image.failure = 0;
}

RangeReader pipedImageReader(PipedImage& image) {
  return {readPiped, &image};
}

}  // namespace d88
