// Scratch folders, file helpers and (on POSIX hosts) a runner for the program.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "volume_builder.h"

namespace d88::testing {

using build::Bytes;
using Files = std::map<std::string, Bytes>;

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
void writeText(const std::filesystem::path& path, const std::string& text);
std::string asString(const Bytes& bytes);
Bytes imageOf(const build::VolumeDisk& disk);
Bytes slice(const Bytes& bytes, size_t offset, size_t length);
// Every file addFile placed on the disk, a later name replacing an earlier.
Files filesOf(const build::VolumeDisk& disk);

// SHA-256 of the bytes, as 64 lower-case hex digits.
std::string sha256Hex(const Bytes& bytes);

// --- the program under test -------------------------------------------------
// D88EXTRACT_PROGRAM names another build of it (default: this build's), and
// D88EXTRACT_LAUNCHER a command to start it with (such as Wine). A program
// ending in ".exe" is held to Windows' conventions: its standard streams end
// lines with CR LF, and the names of its files are read back from UTF-8 into
// Shift_JIS, so the same expectations serve both builds.

enum class Sink { file, devFull, closedPipe, terminal };

struct RunOptions {
  std::vector<std::string> extraArgs{};  // after the image path
  // Places the image in the work folder under this name (run by that
  // relative name) instead of beside the folder.
  std::string imageName{};
  // Called with the run's root and its work folder before the run: the root
  // holds the image, and anything outside the work folder a test wants kept.
  std::function<void(const std::filesystem::path& root, const std::filesystem::path& work)>
      prepare{};
  Sink stdoutTo = Sink::file;
  std::string stdoutName{};     // Sink::file: this file in the work folder, as "> NAME" would
  Sink stderrTo = Sink::file;   // terminal with stdout terminal: the same one
  std::string stderrName{};     // as stdoutName, for "2> NAME"
  bool appendToNamed = false;   // ">> NAME" and "2>> NAME" rather than truncating
  bool stderrToStdout = false;  // 2>&1
  std::vector<std::string> environment{};  // NAME=value, added
  long long fileSizeLimit = -1;            // RLIMIT_FSIZE; SIGXFSZ as the system leaves it
  std::vector<std::string> wrapper{};      // a command the program runs under
  int timeLimitSeconds = 60;
};

struct RunResult {
  int status = -1;  // exit status, or -1
  int signal = 0;   // the signal that ended it, if one did
  bool timedOut = false;
  std::string out;  // standard output (with 2>&1 or one terminal: both)
  std::string err;
  Files files;                               // regular files left in the work folder
  std::map<std::string, unsigned> modes;     // their permission bits
  std::map<std::string, std::string> other;  // anything else there: its kind
  Files outside;                             // regular files beside the work folder
};

bool programIsWindows();
// argv[0] as the program sees it.
std::string programNameAsSeen();

// Writes `image` to a file and runs the program on it in an empty folder.
RunResult runOnImage(const Bytes& image, const RunOptions& options = {});

// Runs the program with exactly these arguments in an empty folder.
RunResult runWithArgs(const std::vector<std::string>& args, const RunOptions& options = {});

}  // namespace d88::testing
