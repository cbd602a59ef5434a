// d88extract: lists and writes the files of both volumes of a PC-98 disk
// held in a D88 image.
#include <string>
#include <vector>

#include "host_file.h"
#include "image_run.h"
#include "messages.h"

int main(int argc, char** argv) {
  using namespace d88;
  OutputStream listing = describeStream(stdout);
  OutputStream diagnostics = describeStream(stderr);
  // Japanese words need a terminal that shows them.
  const bool showsJapanese =
      diagnostics.kind == StreamKind::terminalUtf8 || diagnostics.kind == StreamKind::console;
  const Language language = showsJapanese ? languageOfLocale() : Language::english;

  const std::vector<std::string> arguments = commandLine(argc, argv);
  // Up to two arguments after the image path are accepted and ignored.
  if (arguments.size() < 2 || arguments.size() > 4) {
    const std::string program = arguments.empty() ? "d88extract" : arguments[0];
    writeLine(diagnostics,
              {{messages::kUsageStart}, {program, TextKind::host}, {messages::kUsageEnd}});
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
  return extractImage(arguments[1].c_str(), listing, diagnostics, language);
}
