// What a person at a terminal is told besides the fixed messages, which stay
// as they are: the reason for a failure in plain words, a hint under the usage
// line and a closing summary. In English, or in Japanese where the locale's
// language is Japanese; as UTF-8 text. Pipes and files never get any of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace d88 {

enum class Language : uint8_t { english, japanese };

// The language of the user's locale (LC_ALL, LC_MESSAGES or LANG, the first
// that is set) or, on Windows, of the user interface.
Language languageOfLocale();

// What one of the system's Japanese messages means, in English, for a
// terminal whose person reads no Japanese; empty for any other text.
std::string_view meaningOf(std::string_view message);

// "path: No such file or directory"
std::string cannotOpenReason(Language language, std::string_view path, int error);

// "/dev/stdin: could not be copied into the temporary folder /tmp: No space
// left on device", for an image from a pipe.
std::string cannotCopyReason(Language language, std::string_view path, int error);

// The system's words for an errno value, or for a k...InTheWay.
std::string systemReason(int error);

// An archive people keep images in, told by its first bytes.
enum class Archive : uint8_t { none, gzip, zip };
Archive archiveOf(const uint8_t* start, int32_t length);

// What was found instead of a 2DD or 2HD disk.
struct RefusedImage {
  int64_t bytes = -1;     // the image's length, -1 if unknown
  bool hasDisk = false;  // a complete disk header
  int32_t mediaType = -1;
  bool plausibleHeader = false;
  Archive archive = Archive::none;
};
std::string unsupportedReason(Language language, const RefusedImage& image);

// The line under the usage line.
std::string usageHint(Language language);

// What --help says under the usage line.
std::string helpText(Language language);

// "Not read: b.d88 c.d88 (one image a run; ...)", for the further arguments.
std::string notRead(Language language, const std::vector<std::string>& paths);

// For a console window of its own, opened by a double click: what to do
// instead, and that a key closes it.
std::string startedAlone(Language language);

// "and 34 more files: Permission denied", after a run of identical failures.
std::string moreFailures(Language language, int32_t count, int error);

struct RunCounts {
  int32_t written = 0;  // IPLMUS included
  int32_t refused = 0;  // not written, for any reason
  int32_t damaged = 0;  // written with unread or damaged sectors
  int32_t replaced = 0;       // written earlier in this run
  int32_t replacedOlder = 0;  // in the folder before the run
};
std::string summaryLine(Language language, const RunCounts& counts);

// After a file's name: it replaced one that was in the folder before the run.
std::string replacedOlderNote(Language language);

// "This image holds 3 disks; only the first was read", for more than one.
std::string otherDisks(Language language, int32_t diskCount);

// When neither side's directory could be read.
std::string nothingExtracted(Language language);

}  // namespace d88
