// The floor as a program, for counting its system calls beside the real one:
//   d88-floor-copy IMAGE FOLDER   (run in an empty folder)
// reads IMAGE once and writes files of the same names and sizes as FOLDER's.
#include <cstdio>

#include "floor.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: %s IMAGE FOLDER\n", argc > 0 ? argv[0] : "d88-floor-copy");
    return 1;
  }
  // Read the manifest before the timed part starts writing.
  const auto files = d88::bench::filesOf(argv[2]);
  return d88::bench::floorCopy(argv[1], files) ? 0 : 1;
}
