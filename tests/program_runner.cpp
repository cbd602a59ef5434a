// Runs the program (this build's, or another named by the environment) in a
// fresh folder through the shell, and reads back what it left.
#include <iconv.h>
#include <sys/wait.h>

#include <cstdlib>

#include "test_support.h"

namespace d88::testing {

namespace fs = std::filesystem;

namespace {

std::string fromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

const std::string& programPath() {
  static const std::string path = fromEnvironment("D88EXTRACT_PROGRAM", D88EXTRACT_PATH);
  return path;
}

std::string shellQuote(const std::string& text) {
  std::string quoted(1, '\'');
  for (char ch : text) {
    if (ch == '\'') {
      quoted.append("'\\''");
    } else {
      quoted.push_back(ch);
    }
  }
  quoted.push_back('\'');
  return quoted;
}

// Windows' standard streams are text streams: every LF must come as CR LF.
// Returns the text with LF line ends, or marks a bare LF so a test fails.
std::string fromTextStream(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) plain += "<bare LF>";
    plain += text[i];
  }
  return plain;
}

// Wine stores a file's UTF-16 name as UTF-8; read it back as Shift_JIS.
std::string toShiftJis(const std::string& utf8) {
  iconv_t convert = iconv_open("CP932", "UTF-8");
  if (convert == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string in = utf8;
  std::string out(in.size() * 2 + 4, '\0');
  char* source = in.data();
  char* target = out.data();
  size_t left = in.size();
  size_t room = out.size();
  const bool ok = iconv(convert, &source, &left, &target, &room) != static_cast<size_t>(-1);
  iconv_close(convert);
  if (!ok) return "<not CP932>" + utf8;
  out.resize(out.size() - room);
  return out;
}

RunResult run(const TempDir& dir, const std::vector<std::string>& args, const RunOptions& options) {
  const fs::path work = dir.path() / "work";
  fs::create_directories(work);
  for (const auto& name : options.existingDirs) fs::create_directory(work / name);

  std::string command = "cd " + shellQuote(work.string()) + " && exec";
  // Wine maps file names through the locale: make it UTF-8 whatever ours is.
  if (programIsWindows()) command.append(" env LC_ALL=C.UTF-8");
  const std::string launcher = fromEnvironment("D88EXTRACT_LAUNCHER", "");
  if (!launcher.empty()) command.append(" ").append(launcher);
  command.append(" ").append(shellQuote(programPath()));
  for (const auto& arg : args) command.append(" ").append(shellQuote(arg));
  const std::string out =
      options.stdoutToFull ? "/dev/full" : shellQuote((dir.path() / "stdout").string());
  command.append(" >").append(out);
  command.append(" 2>").append(shellQuote((dir.path() / "stderr").string()));

  RunResult result;
  const int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = asString(readBytes(dir.path() / "stdout"));
  result.err = asString(readBytes(dir.path() / "stderr"));
  if (programIsWindows()) {
    result.out = fromTextStream(result.out);
    result.err = fromTextStream(result.err);
  }
  for (const auto& item : fs::directory_iterator(work)) {
    if (!item.is_regular_file()) continue;
    const std::string name = item.path().filename().string();
    result.files[programIsWindows() ? toShiftJis(name) : name] = readBytes(item.path());
  }
  for (const auto& item : fs::directory_iterator(dir.path())) {
    const std::string name = item.path().filename().string();
    if (name != "work" && name != "image.d88" && name != "stdout" && name != "stderr") {
      result.strays.push_back(name);
    }
  }
  return result;
}

}  // namespace

bool programIsWindows() {
  const std::string& path = programPath();
  return path.size() > 4 && path.compare(path.size() - 4, 4, ".exe") == 0;
}

std::string programNameAsSeen() {
  if (!programIsWindows()) return programPath();
  // Wine shows the Unix path on its Z: drive.
  std::string name = "Z:" + fs::absolute(programPath()).string();
  for (char& ch : name) ch = ch == '/' ? '\\' : ch;
  return name;
}

RunResult runOnImage(const Bytes& image, const RunOptions& options) {
  TempDir dir;
  const fs::path imagePath = dir.path() / "image.d88";
  build::writeBytes(imagePath.string(), image);
  std::vector<std::string> args = {imagePath.string()};
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  return run(dir, args, options);
}

RunResult runWithArgs(const std::vector<std::string>& args) {
  TempDir dir;
  return run(dir, args, {});
}

}  // namespace d88::testing
