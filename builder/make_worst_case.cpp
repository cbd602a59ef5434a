// Writes one of the worst-case images the benchmark report traces:
//   d88-make-worst-case zero-length-track|disagreeing-chain|full-disk|full-disk-64 PATH
//   d88-make-worst-case SHAPE MIB PATH     (a shape of walk_shapes.h)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "hostile_images.h"
#include "walk_shapes.h"

int main(int argc, char** argv) {
  using namespace d88::build;
  const std::string kind = argc > 1 ? argv[1] : "";
  if (argc == 3 && kind == "zero-length-track") {
    return writeBytes(argv[2], buildDisk(zeroLengthTrackDisk())) ? 0 : 1;
  }
  if (argc == 3 && kind == "disagreeing-chain") {
    return writeBytes(argv[2], buildDisk(disagreeingChainDisk(2 << 20))) ? 0 : 1;
  }
  // Real sizes: a full disk, and 64 of them in one image.
  if (argc == 3 && (kind == "full-disk" || kind == "full-disk-64")) {
    const Disk full = toDisk(fullDisk());
    const Bytes image = kind == "full-disk" ? buildDisk(full) : buildImage(std::vector(64, full));
    return writeBytes(argv[2], image) ? 0 : 1;
  }
  for (WalkShape shape : kWalkShapes) {
    if (argc == 4 && kind == shapeName(shape)) {
      const uint64_t mebibytes = std::strtoull(argv[2], nullptr, 10);
      return writeShapeImage(argv[3], shape, mebibytes << 20) ? 0 : 1;
    }
  }
  std::fprintf(stderr, "Usage: %s zero-length-track|disagreeing-chain|full-disk|full-disk-64 PATH\n"
                       "       %s SHAPE MIB PATH\n", argv[0], argv[0]);
  return 1;
}
