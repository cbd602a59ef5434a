// Images built to hurt a reader or the extraction: walks that visit as many
// records as a small file can hold, huge offsets, cut files, bad entries.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "d88_builder.h"
#include "volume_builder.h"

namespace d88::build {

// One track of 65535 zero-length records (about 1 MiB), IDs 0/0/0/0, named by
// every entry of the track table.
Disk zeroLengthTrackDisk();

// Zero-length records filling about `bytes` whose counts disagree, so that no
// record ends the walk and every search runs to the end of the file; every
// entry of the track table names its start.
Disk disagreeingChainDisk(size_t bytes);

// 64 small disks end to end, the most the index holds.
Bytes sixtyFourDiskImage();

// A small disk in the volume layout. Side 0 holds A (2 sectors), m.0000 (1)
// and B (all of logical track 3); side 1 holds C (1 sector). Track 0 is a
// full boot track. compactVolumeDisk() stores only the tracks that hold
// something.
VolumeDisk compactVolume();
Disk compactVolumeDisk();

// Side 0 holds one-sector files under names a Windows folder folds together
// (abc ABC, ａ Ａ, α Α, ⅰ as EE EF with Ⅰ as 87 54 and as FA 4A), names it
// holds as they are (a<DEL>, <DEL>), and x; whose final ";" some unzip
// tools cut.
VolumeDisk windowsNamesVolume();

// Every crafted image by name, the ones over `sizeLimit` bytes left out.
// The regression tests know what the program must do with each.
std::vector<std::pair<std::string, Bytes>> craftedImages(size_t sizeLimit);

}  // namespace d88::build
