// Reads both volumes of the selected disk, lists every directory entry and
// writes each file into the current directory. It prints nothing: it hands
// what happens to each entry, as a value, to the report.
#pragma once

#include <array>
#include <cstdint>

#include "volume_layout.h"

namespace d88 {

class D88Image;
struct OutputFolder;
struct Report;

// Zero-filled once: a sector that is not read in full is zeroed after what
// arrived, and the boot read lands in logical track 0, which no volume read
// fills.
struct VolumeBuffers {
  std::array<uint8_t, kVolumeBytes> volumeImage{};
  std::array<uint8_t, kTrackBytes> directoryBuffer{};
};

void extractVolumes(D88Image& image, VolumeBuffers& buffers, OutputFolder& folder,
                    Report& report);

}  // namespace d88
