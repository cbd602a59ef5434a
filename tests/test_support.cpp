#include "test_support.h"

#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace d88::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const auto name = "d88test-" + std::to_string(random()) + "-" +
                    std::to_string(counter++);
  path_ = fs::temp_directory_path() / name;
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Bytes readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string asString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::map<std::string, Bytes> filesIn(const fs::path& folder) {
  std::map<std::string, Bytes> files;
  for (const auto& item : fs::directory_iterator(folder)) {
    if (item.is_regular_file()) files[item.path().filename().string()] = readBytes(item.path());
  }
  return files;
}

namespace {

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

RunResult run(const TempDir& dir, const std::vector<std::string>& args,
              const RunOptions& options) {
  const fs::path work = dir.path() / "work";
  fs::create_directories(work);
  for (const auto& name : options.existingDirs) fs::create_directory(work / name);

  std::string command = "cd " + shellQuote(work.string()) + " && exec";
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
  result.files = filesIn(work);
  for (const auto& item : fs::directory_iterator(dir.path())) {
    const std::string name = item.path().filename().string();
    if (name != "work" && name != "image.d88" && name != "stdout" && name != "stderr") {
      result.strays.push_back(name);
    }
  }
  return result;
}

}  // namespace

Bytes imageOf(const build::VolumeDisk& disk) { return build::buildDisk(build::toDisk(disk)); }

Bytes slice(const Bytes& bytes, size_t offset, size_t length) {
  return Bytes(bytes.begin() + static_cast<ptrdiff_t>(offset),
               bytes.begin() + static_cast<ptrdiff_t>(offset + length));
}

RunResult runOnImage(const Bytes& image, const RunOptions& options) {
  TempDir dir;
  const fs::path imagePath = dir.path() / "image.d88";
  build::writeBytes(imagePath.string(), image);
  std::vector<std::string> args = {D88EXTRACT_PATH, imagePath.string()};
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  return run(dir, args, options);
}

RunResult runWithArgs(const std::vector<std::string>& args) {
  TempDir dir;
  return run(dir, args, {});
}

}  // namespace d88::testing
