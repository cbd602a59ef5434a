// d88extract: lists and writes the files of both volumes of a PC-98 disk
// held in a D88 image.
#include <cstdio>

#include "d88_image.h"
#include "extraction.h"
#include "messages.h"

namespace {

// One reader and one set of buffers for the whole run; the reader's
// destruction at exit closes the image.
d88::D88Image image;
d88::VolumeBuffers buffers;

bool isSupportedMedia(int32_t mediaType) {
  return mediaType == d88::kMedia2HD || mediaType == d88::kMedia2DD;
}

}  // namespace

int main(int argc, char** argv) {
  // Up to two arguments after the image path are accepted and ignored.
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, d88::messages::kUsage, argc > 0 ? argv[0] : "d88extract");
    return 1;
  }
  if (!image.open(argv[1])) {
    std::fputs(d88::messages::kCannotOpen, stderr);
    return 1;
  }
  // A failed selection leaves mediaType() at -1, which is refused next.
  image.selectDisk(0);
  if (!isSupportedMedia(image.mediaType())) {
    std::fputs(d88::messages::kUnsupported, stderr);
    return 1;
  }
  std::fputs(d88::messages::kRecognised, stdout);

  const bool allWritten = d88::extractVolumes(image, buffers, stdout, stderr);
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs(d88::messages::kStdoutFailed, stderr);
    return 1;
  }
  return allWritten ? 0 : 1;
}
