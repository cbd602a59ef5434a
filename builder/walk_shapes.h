// Images whose sector walks cost the most: long chains of records that no
// count ends, reached from one track start or from many. Written straight to
// a file, so that sizes of a gigabyte cost no memory; records whose data is
// never read are left as holes in a sparse file.
#pragma once

#include <cstdint>
#include <string>

#include "volume_builder.h"

namespace d88::build {

enum class WalkShape {
  // Every track starts at the first of many zero-length records with distinct
  // IDs; the volume's records come after them.
  junkBeforeVolume,
  // All 164 track starts at consecutive records of one chain of zero-length
  // records sharing one ID, which no search finds.
  oneIdManyStarts,
  // One start, records of 64 KiB (only their headers written) with distinct
  // IDs; the disk's declared size covers only the first of them.
  sparseBigRecords,
  // Four starts spread along one chain of zero-length records sharing one ID.
  oneIdFewStarts,
};

inline constexpr WalkShape kWalkShapes[] = {WalkShape::junkBeforeVolume, WalkShape::oneIdManyStarts,
                                            WalkShape::sparseBigRecords, WalkShape::oneIdFewStarts};

const char* shapeName(WalkShape shape);

// The disk whose volume junkBeforeVolume carries (side 0; side 1 reads the
// same records, since its sector IDs are the same).
VolumeDisk shapeVolume();

// Writes an image of about `bytes` bytes (at least what the shape needs).
bool writeShapeImage(const std::string& path, WalkShape shape, uint64_t bytes);

}  // namespace d88::build
