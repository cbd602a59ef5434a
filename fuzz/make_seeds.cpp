// Writes the fuzzers' seed corpus: small disks in the volume layout and the
// edge cases, all from the project's image builder.
//   d88-make-fuzz-seeds FOLDER
#include <cstdio>
#include <string>

#include "hostile_images.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: %s FOLDER\n", argc > 0 ? argv[0] : "d88-make-fuzz-seeds");
    return 1;
  }
  for (const auto& [name, bytes] : d88::build::craftedImages(d88::build::kSeedSizeLimit)) {
    const std::string path = std::string(argv[1]) + "/" + name + ".d88";
    if (!d88::build::writeBytes(path, bytes)) {
      std::perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
