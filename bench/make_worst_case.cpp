// Writes the two worst-case images that the benchmark report traces:
//   d88-make-worst-case ZERO_LENGTH_TRACK.d88 DISAGREEING_CHAIN.d88
#include <cstdio>

#include "hostile_images.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: %s ZERO.d88 CHAIN.d88\n", argc > 0 ? argv[0] : "");
    return 1;
  }
  using namespace d88::build;
  const bool ok = writeBytes(argv[1], buildDisk(zeroLengthTrackDisk())) &&
                  writeBytes(argv[2], buildDisk(disagreeingChainDisk(2 << 20)));
  return ok ? 0 : 1;
}
