#include "image_run.h"

#include <cerrno>

#include "d88_image.h"
#include "host_file.h"
#include "image_file.h"
#include "messages.h"
#include "report.h"

namespace d88 {

namespace {

// One reader and one set of buffers for the whole process; the reader's
// destruction at exit closes the last image.
D88Image image;
PipedImage piped;
VolumeBuffers buffers;

}  // namespace

int extractImage(const char* path, bool standardInput, OutputStream& listing,
                 OutputStream& diagnostics, Language language) {
  Report report{&listing, &diagnostics};
  report.language = language;
  bool copyFailed = false;
  if (!openImage(image, piped, standardInput ? nullptr : path, copyFailed)) {
    const int error = errno;
    reportLine(report, messages::kCannotOpen,
               copyFailed ? cannotCopyReason(language, path, error)
                          : cannotOpenReason(language, path, error));
    return 1;
  }
  // `d88extract game.d88 >> game.d88` would append to the image it reads.
  bool characterDevice = false;
  const FileIdentity imageIdentity =
      standardInput ? identityOfStream(stdin, characterDevice) : identityOfPath(path);
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
    // Only the first disk's header is looked at: a refused image is read no
    // further, from a file or a pipe.
    uint8_t start[4] = {};
    const int32_t startLength = image.readBytes(0, start, sizeof start);
    const RefusedImage found{image.imageBytes(), image.mediaType() >= 0, image.mediaType(),
                             image.headerIsPlausible(), archiveOf(start, startLength)};
    reportLine(report, messages::kUnsupported, unsupportedReason(language, found));
    return 1;
  }
  reportRecognised(report);

  OutputFolder folder;
  folder.inUse = {imageIdentity, listing.identity, diagnostics.identity};
  report.folder = &folder;
  guardAgainstInterruption();
  // The volume reads rely on zeros where nothing was read: an earlier image
  // must leave none of its bytes.
  buffers.volumeImage.fill(0);
  buffers.directoryBuffer.fill(0);
  const ExtractionSummary summary = extractVolumes(image, buffers, reportSink(report));
  reportSummary(report, summary);
  reportOtherDisks(report, image.diskCount());
  // A pipe whose copy failed part of the way (a temporary folder that filled
  // up) gave the extraction zeros where the image went on: not a success.
  if (piped.failure != 0) {
    reportLine(report, messages::kCannotOpen, cannotCopyReason(language, path, piped.failure));
    finishStream(listing);
    return 1;
  }
  if (!finishStream(listing)) {
    reportLine(report, messages::kStdoutFailed);
    return 1;
  }
  return report.allWritten && !readNoDirectory(summary) ? 0 : 1;
}

}  // namespace d88
