// d88extract: lists and writes the files of both volumes of a PC-98 disk
// held in a D88 image.
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "d88_image.h"
#include "host_file.h"
#include "messages.h"
#include "report.h"

namespace {

// One reader and one set of buffers for the whole run; the reader's
// destruction at exit closes the image.
d88::D88Image image;
d88::VolumeBuffers buffers;

}  // namespace

int main(int argc, char** argv) {
  using namespace d88;
  OutputStream listing = describeStream(stdout);
  OutputStream diagnostics = describeStream(stderr);
  Report report{&listing, &diagnostics};
  // Japanese words need a terminal that shows them.
  const bool showsJapanese =
      diagnostics.kind == StreamKind::terminalUtf8 || diagnostics.kind == StreamKind::console;
  report.language = showsJapanese ? languageOfLocale() : Language::english;

  const std::vector<std::string> arguments = commandLine(argc, argv);
  // Up to two arguments after the image path are accepted and ignored.
  if (arguments.size() < 2 || arguments.size() > 4) {
    const std::string program = arguments.empty() ? "d88extract" : arguments[0];
    writeLine(diagnostics,
              {{messages::kUsageStart}, {program, TextKind::host}, {messages::kUsageEnd}});
    if (isTerminal(diagnostics)) {
      writeLine(diagnostics, {{usageHint(report.language), TextKind::host}});
    }
    // Started from Explorer, the console would close before it could be read.
    if (isTerminal(diagnostics) && ownsItsConsole()) {
      writeLine(diagnostics, {{startedAlone(report.language), TextKind::host}});
      waitForAKey();
    }
    return 1;
  }
  const char* path = arguments[1].c_str();
  bool copyFailed = false;
  if (!image.openFile(openImage(path, copyFailed))) {
    const int error = errno;
    reportLine(report, messages::kCannotOpen,
               copyFailed ? cannotCopyReason(report.language, path, error)
                          : cannotOpenReason(report.language, path, error));
    return 1;
  }
  // `d88extract game.d88 >> game.d88` would append to the image it reads.
  const FileIdentity imageIdentity = identityOfPath(path);
  if (sameFile(imageIdentity, listing.identity) || sameFile(imageIdentity, diagnostics.identity)) {
    // Not even the message goes where the image is.
    if (!sameFile(imageIdentity, diagnostics.identity)) {
      reportLine(report, messages::kOutputIsImage);
    }
    return 1;
  }
  // A failed selection leaves mediaType() at -1, which is refused next.
  image.selectDisk(0);
  if (!isLayoutMedia(image.mediaType())) {
    const RefusedImage found{image.imageBytes(), image.diskCount(), image.mediaType(),
                             image.headerIsPlausible()};
    reportLine(report, messages::kUnsupported, unsupportedReason(report.language, found));
    return 1;
  }
  writeLine(listing, {{messages::kRecognised}});

  OutputFolder folder;
  folder.inUse = {imageIdentity, listing.identity, diagnostics.identity};
  report.folder = &folder;
  guardAgainstInterruption();
  const ExtractionSummary summary = extractVolumes(image, buffers, reportSink(report));
  reportSummary(report, summary);
  if (!finishStream(listing)) {
    reportLine(report, messages::kStdoutFailed);
    return 1;
  }
  return report.allWritten && !readNoDirectory(summary) ? 0 : 1;
}
