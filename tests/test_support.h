// Scratch folders and files, and (on POSIX hosts) a runner for the program.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "volume_builder.h"

namespace d88::testing {

using build::Bytes;

// A fresh folder under the system's temporary directory, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

Bytes readBytes(const std::filesystem::path& path);
std::string asString(const Bytes& bytes);
Bytes imageOf(const build::VolumeDisk& disk);
Bytes slice(const Bytes& bytes, size_t offset, size_t length);

// --- the program under test -------------------------------------------------
// D88EXTRACT_PROGRAM names another build of it (default: this build's), and
// D88EXTRACT_LAUNCHER a command to start it with (such as Wine). A program
// ending in ".exe" is held to Windows' conventions: its standard streams end
// lines with CR LF, and the names of its files are read back from UTF-8 into
// Shift_JIS, so the same expectations serve both builds.

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  std::map<std::string, Bytes> files;  // what the run left in its folder
  std::vector<std::string> strays;     // anything it made beside that folder
};

struct RunOptions {
  std::vector<std::string> extraArgs;     // after the image path
  std::vector<std::string> existingDirs;  // made in the work folder first
  bool stdoutToFull = false;              // stdout goes to /dev/full
};

bool programIsWindows();
// argv[0] as the program sees it.
std::string programNameAsSeen();

// Writes `image` to a file and runs the program on it in an empty folder.
RunResult runOnImage(const Bytes& image, const RunOptions& options = {});

// Runs the program with exactly these arguments in an empty folder.
RunResult runWithArgs(const std::vector<std::string>& args);

}  // namespace d88::testing
