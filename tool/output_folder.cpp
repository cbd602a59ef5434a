#include "output_folder.h"

#include <algorithm>
#include <cstring>

namespace d88 {

namespace {

bool isInUse(const OutputFolder& folder, const FileIdentity& identity) {
  return std::any_of(folder.inUse.begin(), folder.inUse.end(),
                     [&](const FileIdentity& used) { return sameFile(used, identity); });
}

// Notes the name; true if this run had already written a file under it.
bool noteWritten(OutputFolder& folder, const char* name) {
  const auto end = folder.written.begin() + folder.writtenCount;
  if (std::any_of(folder.written.begin(), end,
                  [name](const auto& earlier) { return sameHostFileName(earlier.data(), name); })) {
    return true;
  }
  if (folder.writtenCount < kMaxFilesPerRun) {
    auto& slot = folder.written[static_cast<size_t>(folder.writtenCount++)];
    std::strncpy(slot.data(), name, slot.size() - 1);
  }
  return false;
}

}  // namespace

WriteOutcome writeFile(OutputFolder& folder, const char* name, const uint8_t* data,
                       int32_t length) {
  FileIdentity existing;
  switch (probeName(name, existing)) {
    case ExistingKind::other: return WriteOutcome::failed;
    case ExistingKind::file:
      if (isInUse(folder, existing)) return WriteOutcome::inUse;
      break;
    case ExistingKind::link:  // replaced, not followed
    case ExistingKind::none: break;
  }
  if (!replaceFile(name, data, static_cast<size_t>(length))) return WriteOutcome::failed;
  return noteWritten(folder, name) ? WriteOutcome::replacedEarlier : WriteOutcome::written;
}

}  // namespace d88
