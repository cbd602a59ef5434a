#include "output.h"

namespace d88 {

bool mayShareDestination(const OutputStream& a, const OutputStream& b) {
  return !a.identity.known || !b.identity.known || sameFile(a.identity, b.identity);
}

bool finishStream(OutputStream& stream) {
  return std::fflush(stream.file) == 0 && std::ferror(stream.file) == 0 && !stream.failed;
}

}  // namespace d88
