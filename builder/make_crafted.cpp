// Writes every crafted image, as NAME.d88, into a folder that exists; with a
// size, only the images of at most that many bytes (the fuzzers' seeds).
//   d88-make-crafted FOLDER [MAX_BYTES]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostile_images.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "Usage: %s FOLDER [MAX_BYTES]\n", argc > 0 ? argv[0] : "d88-make-crafted");
    return 1;
  }
  const size_t limit = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : SIZE_MAX;
  for (const auto& [name, bytes] : d88::build::craftedImages(limit)) {
    const std::string path = std::string(argv[1]) + "/" + name + ".d88";
    if (!d88::build::writeBytes(path, bytes)) {
      std::perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
