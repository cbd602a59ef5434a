// The current folder as the extraction writes into it: every file goes in
// through a temporary and a rename, never over the image being read or the
// files the standard streams go to, and a file that replaces one written
// earlier in the same run is noticed by what the file system says, whatever
// names it folds together (letter case, Unicode forms, 8.3 aliases), and
// also where it gives no stable file numbers.
#pragma once

#include <array>
#include <cstdint>

#include "host_file.h"
#include "volume_layout.h"

namespace d88 {

// Both directories in full, and IPLMUS.
inline constexpr int32_t kMaxFilesPerRun = kSides * kDirectoryEntries + 1;

struct OutputFolder {
  // The image, and the files standard output and standard error go to.
  std::array<FileIdentity, 3> inUse{};
  // The files this run wrote that are still there, and their names. Their
  // identities are known once `tracking`: from the first name under which
  // something already stood.
  std::array<FileIdentity, kMaxFilesPerRun> written{};
  std::array<std::array<char, kNameBytes + 2>, kMaxFilesPerRun> names{};
  int32_t writtenCount = 0;
  bool tracking = false;
  int lastError = 0;  // errno of the last write that failed, or a k...InTheWay
};

enum class WriteOutcome {
  written,
  replacedEarlier,  // written, over a file of the same name from this run
  replacedOlder,    // written, over a file that stood in the folder before the run
  failed,           // not created or not written in full; or a folder, FIFO, device or a file the
                    // user may not write is there
  inUse,            // the name leads to the image or to an output's file
};

WriteOutcome writeFile(OutputFolder& folder, const char* name, const uint8_t* data, int32_t length);

}  // namespace d88
