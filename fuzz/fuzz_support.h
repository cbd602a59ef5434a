#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace d88::fuzz {

// A finding: say what broke and stop, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

// A folder of this process's own on a memory-backed file system if there is
// one, so that writing each input costs little.
std::string scratchFolder(const char* purpose);

bool writeInput(const std::string& path, const uint8_t* data, size_t size);

}  // namespace d88::fuzz
