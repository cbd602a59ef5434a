// The host's file system on POSIX systems: identities are device and inode,
// temporaries are created exclusively, and the interruptions are signals.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host_file.h"
#include "temporary_name.h"

namespace d88 {

namespace {

// Every signal whose default action ends the process and that can be
// caught, as coreutils' sort cleans up on; SIGPIPE and SIGXFSZ are ignored.
constexpr int kInterruptions[] = {
    SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU,
#ifdef SIGPOLL
    SIGPOLL,
#endif
};

FileIdentity identityOf(const struct stat& info) {
  FileIdentity identity{true, static_cast<uint64_t>(info.st_dev),
                        static_cast<uint64_t>(info.st_ino)};
  if (S_ISREG(info.st_mode)) {
    identity.size = info.st_size;
    identity.modified = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
  }
  return identity;
}

// Why something that is neither a file, a link nor a folder is refused.
int inTheWay(mode_t mode) {
  if (S_ISFIFO(mode)) return kFifoInTheWay;
  if (S_ISSOCK(mode)) return kSocketInTheWay;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return kDeviceInTheWay;
  return EEXIST;
}

void removePendingAndDie(int signal) {
  // Only async-signal-safe calls here: unlink, signal and raise.
  if (pending != 0) unlink(pendingName.data());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool writeAll(int descriptor, const uint8_t* data, size_t length) {
  for (size_t done = 0; done < length;) {
    const ssize_t wrote = write(descriptor, data + done, length - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Creates a temporary under a fresh random name, exclusively (never following
// a link), with 0666 less the umask as fopen would give; -1 on failure. The
// name is marked before the call that creates it, so an interruption at any
// point finds it: at worst the handler removes a name not yet created.
int createTemporary() {
  for (int attempt = 0; attempt < kTemporaryAttempts && nameTemporary(); ++attempt) {
    pending = 1;
    const int descriptor =
        open(pendingName.data(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor >= 0) return descriptor;
    pending = 0;
    if (errno != EEXIST) break;
  }
  return -1;
}

// The mode a new file gets: 0666 less the umask, read once.
mode_t newFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
  }();
  return mode;
}

// Whether the user may write a file, by its mode as fopen would decide for
// the effective ids (root may write any); ACLs are not read.
bool mayWrite(const struct stat& info) {
  static const uid_t user = geteuid();
  if (user == 0) return true;
  if (info.st_uid == user) return (info.st_mode & S_IWUSR) != 0;
  static const std::vector<gid_t> groups = [] {
    const int count = std::max(getgroups(0, nullptr), 0);
    std::vector<gid_t> all(static_cast<size_t>(count));
    all.resize(static_cast<size_t>(std::max(getgroups(count, all.data()), 0)));
    all.push_back(getegid());
    return all;
  }();
  const bool group = std::find(groups.begin(), groups.end(), info.st_gid) != groups.end();
  return (info.st_mode & (group ? S_IWGRP : S_IWOTH)) != 0;
}

}  // namespace

bool randomBits(uint64_t& bits) {
  return getentropy(&bits, sizeof bits) == 0;
}

FileIdentity identityOfPath(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 ? identityOf(info) : FileIdentity{};
}

FileIdentity identityOfName(const char* name) {
  struct stat info;
  return lstat(name, &info) == 0 ? identityOf(info) : FileIdentity{};
}

FileIdentity identityOfStream(std::FILE* stream, bool& characterDevice) {
  struct stat info;
  characterDevice = false;
  if (fstat(fileno(stream), &info) != 0) return {};
  characterDevice = S_ISCHR(info.st_mode);
  return identityOf(info);
}

std::vector<std::string> commandLine(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool ownsItsConsole() {
  return false;
}

void waitForAKey() {}

bool userReadsJapanese() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

std::FILE* openForReading(const char* path) {
  return std::fopen(path, "rb");
}

std::FILE* openStandardInput() {
  const int copy = dup(STDIN_FILENO);
  if (copy < 0) return nullptr;
  std::FILE* stream = fdopen(copy, "rb");
  if (stream == nullptr) close(copy);
  return stream;
}

bool canSeek(std::FILE* stream) {
  struct stat info;
  // A folder is no pipe: the reader refuses it as it opens.
  return fstat(fileno(stream), &info) == 0 &&
         (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode) || S_ISDIR(info.st_mode));
}

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

std::FILE* newTemporaryFile() {
  std::string name = temporaryFolder() + "/.d88extract-XXXXXX";
  const int descriptor = mkostemp(name.data(), O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  unlink(name.c_str());
  std::FILE* file = fdopen(descriptor, "w+b");
  if (file == nullptr) close(descriptor);
  return file;
}

ExistingName probeName(const char* name) {
  struct stat info;
  if (lstat(name, &info) != 0) {
    return {errno == ENOENT ? ExistingKind::none : ExistingKind::other, {}, 0};
  }
  ExistingName found{ExistingKind::other, identityOf(info), info.st_mode & 0777u};
  errno = S_ISDIR(info.st_mode) ? EISDIR : inTheWay(info.st_mode);  // why an "other" is refused
  if (S_ISLNK(info.st_mode)) {
    found.kind = ExistingKind::link;
  } else if (S_ISREG(info.st_mode)) {
    // Writing in place would have been refused: so is replacing it.
    found.kind = mayWrite(info) ? ExistingKind::file : ExistingKind::readOnlyFile;
    errno = EACCES;
  }
  return found;
}

bool isHostFileName(const char*) {
  return true;
}

bool replaceFile(const char* name, const uint8_t* data, size_t length, const ExistingName& existing,
                 FileIdentity* written) {
  const int descriptor = createTemporary();
  if (descriptor < 0) return false;
  bool ok = writeAll(descriptor, data, length);
  struct stat info;
  if (ok && written != nullptr && fstat(descriptor, &info) == 0) *written = identityOf(info);
  // As a write in place would; a folder that keeps no modes (vfat) may refuse.
  if (ok && existing.kind == ExistingKind::file && existing.permissions != newFileMode()) {
    fchmod(descriptor, existing.permissions);
  }
  ok = close(descriptor) == 0 && ok;
  // rename replaces a link under the name; it never writes through it.
  ok = ok && rename(pendingName.data(), name) == 0;
  const int error = errno;
  if (!ok) unlink(pendingName.data());
  pending = 0;
  errno = error;
  return ok;
}

void guardAgainstInterruption() {
  struct sigaction action {};
  action.sa_handler = removePendingAndDie;
  sigemptyset(&action.sa_mask);
  for (int signal : kInterruptions) {
    struct sigaction previous {};
    sigaction(signal, &action, &previous);
    // Ignored on purpose by whoever started us (nohup): keep it so.
    if (previous.sa_handler == SIG_IGN) sigaction(signal, &previous, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
  // A write past a file-size limit then fails with EFBIG, for that file alone.
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace d88
