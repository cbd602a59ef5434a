#include "temporary_name.h"

#include <cstdio>

namespace d88 {

std::array<char, 64> pendingName{};
volatile std::sig_atomic_t pending = 0;

// splitmix64: each name a 64-bit mix of a secret seed and a count, so one
// draw of the system's random numbers serves the whole run.
bool nameTemporary() {
  static uint64_t state = 0;
  static bool seeded = false;
  if (!seeded && !randomBits(state)) return false;
  seeded = true;
  uint64_t bits = state += 0x9E3779B97F4A7C15u;
  bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9u;
  bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBu;
  bits ^= bits >> 31;
  std::snprintf(pendingName.data(), pendingName.size(), ".d88extract-%016llx.tmp",
                static_cast<unsigned long long>(bits));
  return true;
}

}  // namespace d88
