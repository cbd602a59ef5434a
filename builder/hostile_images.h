// Images built to hurt a reader: walks that visit as many records as a small
// file can hold, and indexes that fill up.
#pragma once

#include "d88_builder.h"

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

}  // namespace d88::build
