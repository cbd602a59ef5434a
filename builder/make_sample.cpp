// Writes the demonstration disk image to the path given.
#include <cstdio>

#include "volume_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: %s OUTPUT.d88\n", argc > 0 ? argv[0] : "make_sample");
    return 1;
  }
  using namespace d88::build;
  if (!writeBytes(argv[1], buildDisk(toDisk(sampleDisk())))) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
