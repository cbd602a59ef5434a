#include "output_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace d88 {

namespace {

bool isInUse(const OutputFolder& folder, const FileIdentity& identity) {
  return std::any_of(folder.inUse.begin(), folder.inUse.end(),
                     [&](const FileIdentity& used) { return sameFile(used, identity); });
}

// The slot of the file this run wrote that `identity` is, or null. The
// identities of the files written so far are looked up the first time
// something already stands under a name, not paid for at every write.
FileIdentity* earlierFile(OutputFolder& folder, const FileIdentity& identity) {
  const size_t count = static_cast<size_t>(folder.writtenCount);
  if (!folder.tracking) {
    for (size_t k = 0; k < count; ++k) folder.written[k] = identityOfName(folder.names[k].data());
    folder.tracking = true;
  }
  const auto end = folder.written.begin() + folder.writtenCount;
  const auto found = std::find_if(folder.written.begin(), end, [&](const FileIdentity& earlier) {
    return maybeSameFile(earlier, identity);
  });
  return found == end ? nullptr : &*found;
}

}  // namespace

WriteOutcome writeFile(OutputFolder& folder, const char* name, const uint8_t* data,
                       int32_t length) {
  const ExistingName existing = probeName(name);
  FileIdentity* replaced = nullptr;
  bool older = false;
  switch (existing.kind) {
    case ExistingKind::other:
    case ExistingKind::readOnlyFile: folder.lastError = errno; return WriteOutcome::failed;
    case ExistingKind::file:
      if (isInUse(folder, existing.identity)) return WriteOutcome::inUse;
      replaced = earlierFile(folder, existing.identity);
      older = replaced == nullptr;
      break;
    case ExistingKind::link:  // replaced, not followed
    case ExistingKind::none: break;
  }
  FileIdentity identity;
  if (!replaceFile(name, data, static_cast<size_t>(length), existing,
                   folder.tracking ? &identity : nullptr)) {
    folder.lastError = errno;
    return WriteOutcome::failed;
  }
  // The replaced file is gone: its slot, and whatever reuses its identity
  // later, belong to the new one.
  if (replaced != nullptr) {
    *replaced = identity;
    return WriteOutcome::replacedEarlier;
  }
  if (folder.writtenCount < kMaxFilesPerRun) {
    const auto slot = static_cast<size_t>(folder.writtenCount++);
    folder.written[slot] = identity;
    std::strncpy(folder.names[slot].data(), name, folder.names[slot].size() - 1);
  }
  return older ? WriteOutcome::replacedOlder : WriteOutcome::written;
}

}  // namespace d88
