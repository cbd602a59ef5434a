// Reads both volumes of the selected disk, lists every directory entry and
// writes each file into the current directory.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "volume_layout.h"

namespace d88 {

class D88Image;

// Zero-filled once and never cleared: side 1 is read over side 0's bytes,
// and the boot read lands in logical track 0, which no volume read fills.
struct VolumeBuffers {
  std::array<uint8_t, kVolumeBytes> volumeImage{};
  std::array<uint8_t, kTrackBytes> directoryBuffer{};
};

// Prints the listing on `listing`, and on `diagnostics` one line for every
// entry that is refused or cannot be written and the damaged-disk warnings.
// Returns true when every entry (and the boot block, if due) was written;
// warnings do not count against it.
bool extractVolumes(D88Image& image, VolumeBuffers& buffers, std::FILE* listing,
                    std::FILE* diagnostics);

}  // namespace d88
