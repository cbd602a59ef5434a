#include "temporary_name.h"

#include <cstdio>

namespace d88 {

std::array<char, 64> pendingName{};
volatile std::sig_atomic_t pending = 0;

bool nameTemporary() {
  uint64_t bits = 0;
  if (!randomBits(bits)) return false;
  std::snprintf(pendingName.data(), pendingName.size(), ".d88extract-%016llx.tmp",
                static_cast<unsigned long long>(bits));
  return true;
}

}  // namespace d88
