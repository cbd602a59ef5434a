// The temporary a file is written to before it is renamed over its name: one
// at a time, named from the system's random numbers, so that names nobody can
// predict cannot be planted to block the run. Its name is longer than six
// bytes, so no directory entry can ever name it.
#pragma once

#include <array>
#include <csignal>
#include <cstdint>

namespace d88 {

// The temporary being written, for the signal handler to remove.
extern std::array<char, 64> pendingName;
extern volatile std::sig_atomic_t pending;

// Names to try before giving up; each is taken by chance about once in 2^64.
inline constexpr int kTemporaryAttempts = 16;

// 64 bits from the system's random numbers; each host has its own source.
bool randomBits(uint64_t& bits);

// A fresh name in pendingName, unpredictable without the run's seed, drawn
// once from the system's random numbers; false if it gives none.
bool nameTemporary();

}  // namespace d88
