// d88extract: lists and writes the files of both volumes of a PC-98 disk
// held in a D88 image.
#include <string>
#include <vector>

#include "host_file.h"
#include "image_run.h"
#include "messages.h"

namespace {

using namespace d88;

// --help and the like are flags only where no file of that name is in the
// way: such a file is still the image, as it always was.
bool isFlag(const std::string& argument, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    if (argument == name) return probeName(argument.c_str()).kind == ExistingKind::none;
  }
  return false;
}

void writeUsage(OutputStream& stream, const std::string& program) {
  writeLine(stream, {{messages::kUsageStart}, {program, TextKind::host}, {messages::kUsageEnd}});
}

// The arguments after the image that name files: one image a run, and the
// terminal is told which were not read.
void tellUnread(const std::vector<std::string>& arguments, OutputStream& diagnostics,
                Language language) {
  if (!isTerminal(diagnostics)) return;
  std::vector<std::string> unread;
  for (size_t i = 2; i < arguments.size(); ++i) {
    if (probeName(arguments[i].c_str()).kind != ExistingKind::none) unread.push_back(arguments[i]);
  }
  if (!unread.empty()) writeLine(diagnostics, {{notRead(language, unread), TextKind::host}});
}

}  // namespace

int main(int argc, char** argv) {
  OutputStream listing = describeStream(stdout);
  OutputStream diagnostics = describeStream(stderr);
  // Japanese words need a terminal that shows them.
  const auto languageFor = [](const OutputStream& stream) {
    const bool showsJapanese =
        stream.kind == StreamKind::terminalUtf8 || stream.kind == StreamKind::console;
    return showsJapanese ? languageOfLocale() : Language::english;
  };
  const Language language = languageFor(diagnostics);

  const std::vector<std::string> arguments = commandLine(argc, argv);
  const std::string program = arguments.empty() ? "d88extract" : arguments[0];
  if (arguments.size() == 2 && isFlag(arguments[1], {"--help", "-h"})) {
    writeUsage(listing, program);
    writeLine(listing, {{helpText(languageFor(listing)), TextKind::host}});
    return finishStream(listing) ? 0 : 1;
  }
  if (arguments.size() == 2 && isFlag(arguments[1], {"--version"})) {
    writeLine(listing, {{std::string("d88extract ") + D88_VERSION, TextKind::host}});
    return finishStream(listing) ? 0 : 1;
  }
  // Up to two arguments after the image path are accepted and not read.
  if (arguments.size() < 2 || arguments.size() > 4) {
    writeUsage(diagnostics, program);
    if (isTerminal(diagnostics)) {
      writeLine(diagnostics, {{usageHint(language), TextKind::host}});
    }
    // Started from Explorer, the console would close before it could be read.
    if (isTerminal(diagnostics) && ownsItsConsole()) {
      writeLine(diagnostics, {{startedAlone(language), TextKind::host}});
      waitForAKey();
    }
    return 1;
  }
  const bool standardInput = isFlag(arguments[1], {"-"});
  const int status =
      extractImage(arguments[1].c_str(), standardInput, listing, diagnostics, language);
  tellUnread(arguments, diagnostics, language);
  return status;
}
