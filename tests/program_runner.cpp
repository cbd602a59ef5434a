// Runs the program (this build's, or another named by the environment) in a
// fresh folder, with its standard streams where the test wants them, and
// reads back what it left.
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "test_support.h"

extern char** environ;

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

std::string kindOf(const fs::path& path) {
  const fs::file_status status = fs::symlink_status(path);
  switch (status.type()) {
    case fs::file_type::symlink: return "symlink to " + fs::read_symlink(path).string();
    case fs::file_type::directory: return "directory";
    case fs::file_type::fifo: return "fifo";
    default: return "other";
  }
}

// The descriptors the child gets as its standard output and error; -1 where
// the stream goes to a terminal, whose master the parent reads.
struct Streams {
  int out = -1;
  int err = -1;
  int master = -1;
  int slave = -1;
};

int openSink(Sink sink, const fs::path& file, bool append, int& slave, int& master) {
  switch (sink) {
    case Sink::file:
      return ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC),
                    0644);
    case Sink::devFull: return ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    case Sink::closedPipe: {
      int ends[2];
      if (pipe2(ends, O_CLOEXEC) != 0) return -1;
      ::close(ends[0]);  // nobody will ever read it
      return ends[1];
    }
    case Sink::terminal:
      if (slave < 0) {
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return -1;
        // Bytes as the program wrote them: no LF to CR LF on the way.
        termios modes;
        tcgetattr(slave, &modes);
        modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        tcsetattr(slave, TCSANOW, &modes);
        fcntl(master, F_SETFD, FD_CLOEXEC);
      }
      return slave;
  }
  return -1;
}

[[noreturn]] void execChild(const Streams& streams, const fs::path& work,
                            std::vector<std::string>& argv, std::vector<std::string>& env,
                            const RunOptions& options) {
  if (streams.slave >= 0) {
    setsid();
    ioctl(streams.slave, TIOCSCTTY, 0);
  }
  dup2(streams.out, STDOUT_FILENO);
  dup2(options.stderrToStdout ? streams.out : streams.err, STDERR_FILENO);
  if (options.fileSizeLimit >= 0) {
    const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                       static_cast<rlim_t>(options.fileSizeLimit)};
    setrlimit(RLIMIT_FSIZE, &limit);
    // The program must survive the limit by itself; Wine, which runs a
    // Windows program, knows no such signal and would die of it.
    signal(SIGXFSZ, programIsWindows() ? SIG_IGN : SIG_DFL);
  }
  if (chdir(work.c_str()) != 0) _exit(126);
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& var : env) envp.push_back(var.data());
  envp.push_back(nullptr);
  execvpe(args[0], args.data(), envp.data());
  _exit(127);
}

// Waits for the child, reading the terminal's master meanwhile so the child
// never blocks on a full terminal. Kills it at the time limit.
void waitFor(pid_t child, int master, int seconds, RunResult& result, std::string& terminal) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int raw = 0;
  bool exited = false;
  while (true) {
    if (master >= 0) {
      pollfd ready{master, POLLIN, 0};
      if (poll(&ready, 1, 10) > 0) {
        char chunk[4096];
        const ssize_t got = read(master, chunk, sizeof chunk);
        if (got > 0) {
          terminal.append(chunk, static_cast<size_t>(got));
          continue;
        }
        if (exited) break;  // EIO: the last writer has gone
      } else if (exited) {
        break;
      }
    } else {
      usleep(2000);
    }
    if (!exited && waitpid(child, &raw, WNOHANG) == child) {
      exited = true;
      if (master < 0) break;
    }
    if (!exited && std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      result.timedOut = true;
    }
  }
  if (WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) result.signal = WTERMSIG(raw);
}

RunResult run(const TempDir& dir, std::vector<std::string> args, const RunOptions& options) {
  const fs::path work = dir.path() / "work";
  fs::create_directories(work);
  if (options.prepare) options.prepare(dir.path(), work);

  std::vector<std::string> argv = options.wrapper;
  const std::string launcher = fromEnvironment("D88EXTRACT_LAUNCHER", "");
  if (!launcher.empty()) argv.push_back(launcher);
  argv.push_back(programPath());
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> added = options.environment;
  // Wine maps file names through the locale: make it UTF-8 whatever ours is.
  if (programIsWindows()) added.emplace_back("LC_ALL=C.UTF-8");
  // A coverage build's profile, written at exit, must not meet the file-size cap.
  if (options.fileSizeLimit >= 0 && std::getenv("LLVM_PROFILE_FILE") != nullptr) {
    added.emplace_back("LLVM_PROFILE_FILE=/dev/null");
  }
  std::vector<std::string> env;
  for (char** var = environ; *var != nullptr; ++var) {
    const std::string name = std::string(*var).substr(0, std::string(*var).find('=') + 1);
    if (std::none_of(added.begin(), added.end(),
                     [&](const std::string& add) { return add.starts_with(name); })) {
      env.emplace_back(*var);
    }
  }
  env.insert(env.end(), added.begin(), added.end());

  Streams streams;
  const fs::path stdoutFile =
      options.stdoutName.empty() ? dir.path() / "stdout" : work / options.stdoutName;
  const fs::path stderrFile =
      options.stderrName.empty() ? dir.path() / "stderr" : work / options.stderrName;
  streams.out =
      openSink(options.stdoutTo, stdoutFile, options.appendToNamed, streams.slave, streams.master);
  streams.err =
      openSink(options.stderrTo, stderrFile, options.appendToNamed, streams.slave, streams.master);

  RunResult result;
  const pid_t child = fork();
  if (child == 0) execChild(streams, work, argv, env, options);
  for (int fd : {streams.out, streams.err}) {
    if (fd >= 0 && fd != streams.slave) ::close(fd);
  }
  if (streams.slave >= 0) ::close(streams.slave);
  std::string terminal;
  waitFor(child, streams.master, options.timeLimitSeconds, result, terminal);
  if (streams.master >= 0) ::close(streams.master);

  result.out = options.stdoutTo == Sink::terminal ? terminal : asString(readBytes(stdoutFile));
  result.err = options.stderrTo == Sink::terminal && options.stdoutTo != Sink::terminal
                   ? terminal
                   : asString(readBytes(stderrFile));
  if (programIsWindows()) {
    result.out = fromTextStream(result.out);
    result.err = fromTextStream(result.err);
  }
  for (const auto& item : fs::directory_iterator(work)) {
    const std::string name = item.path().filename().string();
    const std::string shown = programIsWindows() ? toShiftJis(name) : name;
    if (item.is_symlink() || !item.is_regular_file()) {
      result.other[shown] = kindOf(item.path());
    } else {
      result.files[shown] = readBytes(item.path());
      result.modes[shown] = static_cast<unsigned>(item.status().permissions());
    }
  }
  for (const auto& item : fs::directory_iterator(dir.path())) {
    const std::string name = item.path().filename().string();
    if (name != "work" && name != "stdout" && name != "stderr") {
      result.outside[name] = item.is_regular_file() ? readBytes(item.path()) : Bytes{};
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
  const bool inWork = !options.imageName.empty();
  const fs::path imagePath =
      inWork ? dir.path() / "work" / options.imageName : dir.path() / "image.d88";
  fs::create_directories(imagePath.parent_path());
  build::writeBytes(imagePath.string(), image);
  std::vector<std::string> args = {inWork ? options.imageName : imagePath.string()};
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  RunResult result = run(dir, args, options);
  result.outside.erase("image.d88");
  return result;
}

RunResult runWithArgs(const std::vector<std::string>& args, const RunOptions& options) {
  TempDir dir;
  return run(dir, args, options);
}

}  // namespace d88::testing
