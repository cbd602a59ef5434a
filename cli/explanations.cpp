#include "explanations.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "d88_format.h"
#include "host_file.h"
#include "messages.h"

namespace d88 {

namespace {

std::string number(int64_t value) {
  return std::to_string(value);
}

std::string hex(int32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", static_cast<unsigned>(value & 0xFF));
  return text;
}

// The names D88 gives its media types; empty for a value it has none for.
std::string_view mediaName(int32_t mediaType) {
  switch (mediaType) {
    case 0x00: return "2D";
    case 0x10: return "2DD";
    case 0x20: return "2HD";
    case 0x30: return "1D";
    case 0x40: return "1DD";
    default: return {};
  }
}

}  // namespace

std::string_view meaningOf(std::string_view message) {
  namespace m = messages;
  static constexpr std::pair<std::string_view, std::string_view> kMeanings[] = {
      {m::kCannotOpen, "the image cannot be opened"},
      {m::kRecognised, "a 2DD/2HD (PC-98) disk was recognised"},
      {m::kUnsupported, "this disk image format is not supported"},
      {m::kOutputIsImage, "the output leads to the image being read"},
      {m::kStdoutFailed, "standard output could not be written"},
      {m::kUnsafeName, "no file can have this name"},
      {m::kOutsideVolume, "its sectors lie outside the disk"},
      {m::kWriteFailed, "could not be written"},
      {m::kInUse, "the image or an output's file: not written over"},
      {m::kReplacedEarlier, "replaced the file of that name written earlier in this run"},
      {m::kUnreadSectors, "some of its sectors could not be read: those bytes are zeros"},
      {m::kDamagedSectors, "some of its sectors were recorded with a read error"},
      {m::kUnreadAndDamagedSectors,
       "some of its sectors could not be read, some were recorded with a read error"},
      {m::kDirectoryIncomplete, "its directory could not be read to its end"},
  };
  for (const auto& [japanese, english] : kMeanings) {
    if (message == japanese) return english;
  }
  return {};
}

Language languageOfLocale() {
  return userReadsJapanese() ? Language::japanese : Language::english;
}

std::string systemReason(int error) {
  switch (error) {
    case kFifoInTheWay: return "a FIFO (named pipe) is there";
    case kDeviceInTheWay: return "a device is there";
    case kSocketInTheWay: return "a socket is there";
    default: return std::strerror(error);
  }
}

std::string cannotOpenReason(Language, std::string_view path, int error) {
  return std::string(path) + ": " + systemReason(error);
}

std::string cannotCopyReason(Language language, std::string_view path, int error) {
  const std::string folder = temporaryFolder();
  if (language == Language::japanese) {
    return std::string(path) + "：一時フォルダー " + folder + " にコピーできません（" +
           systemReason(error) + "）";
  }
  return std::string(path) + ": could not be copied into the temporary folder " + folder + ": " +
         systemReason(error);
}

Archive archiveOf(const uint8_t* start, int32_t length) {
  if (length >= 2 && start[0] == 0x1F && start[1] == 0x8B) return Archive::gzip;
  if (length >= 4 && start[0] == 'P' && start[1] == 'K' && start[2] == 3 && start[3] == 4) {
    return Archive::zip;
  }
  return Archive::none;
}

std::string unsupportedReason(Language language, const RefusedImage& image) {
  const bool japanese = language == Language::japanese;
  if (image.archive == Archive::gzip) {
    return japanese ? "gzip のファイルです。展開しながら渡してください（例：zcat x.d88.gz | d88extract -）"
                    : "a gzip file: unpack it on the way in, as in zcat x.d88.gz | d88extract -";
  }
  if (image.archive == Archive::zip) {
    return japanese ? "zip のファイルです。展開してから、中のイメージごとに d88extract を"
                      "実行してください（unzip -p x.zip game.d88 | d88extract - でも読めます）"
                    : "a zip file: unzip it, then run d88extract on each image in it (or "
                      "unzip -p x.zip game.d88 | d88extract -)";
  }
  if (!image.hasDisk) {
    const std::string size = image.bytes < 0 ? "" : number(image.bytes);
    if (japanese) {
      return "D88 イメージではありません。" + (size.empty() ? "" : size + " バイトしかなく、") +
             "ディスクヘッダ（688 バイト）より短いファイルです";
    }
    return "not a D88 image: " + (size.empty() ? "" : size + " bytes, ") +
           "shorter than a disk header (688 bytes)";
  }
  const std::string_view media = mediaName(image.mediaType);
  if (media.empty() || !image.plausibleHeader) {
    return japanese ? "D88 イメージではありません。最初のディスクのヘッダが、D88 イメージのヘッダとして読めません"
                    : "not a D88 image: its first disk header is not one a D88 image holds";
  }
  if (japanese) {
    return "最初のディスクが " + std::string(media) + "（メディア種別 " + hex(image.mediaType) +
           "）の D88 イメージです。取り出せるのは 2DD と 2HD のディスクだけです";
  }
  return "a D88 image whose first disk is " + std::string(media) + " (media " +
         hex(image.mediaType) + "); this layout is on 2DD and 2HD disks";
}

std::string usageHint(Language language) {
  if (language == Language::japanese) {
    return "D88 イメージ 1 つから、PC-98 のディスクのファイルを今のフォルダーに書き出します。"
           "詳しくは d88extract --help を見てください";
  }
  return "Extracts the files of the PC-98 disk in one D88 image into the current folder. "
         "More: d88extract --help";
}

namespace {

// One image a run: a loop gives each image a folder of its own.
constexpr std::string_view kLoop =
    R"(for f in *.d88; do mkdir "${f%.*}" && (cd "${f%.*}" && d88extract "../$f"); done)";

}  // namespace

std::string helpText(Language language) {
  if (language == Language::japanese) {
    return "D88 イメージ 1 つにある PC-98 のディスク（2DD か 2HD）のファイルを、"
           "ディレクトリにある名前のまま今のフォルダーに書き出し、一覧を標準出力に出します。\n"
           "  d88extract game.d88               イメージ 1 つを今のフォルダーに\n"
           "  zcat game.d88.gz | d88extract -   パイプから（- は標準入力）\n"
           "  " + std::string(kLoop) + "\n"
           "                                     イメージごとにフォルダーを作って\n"
           "  d88extract --version              バージョン\n"
           "読むのはイメージの最初のディスクだけです。先頭から 2 GiB より後で始まるディスクと、"
           "65 枚目からのディスクは数えません。\n"
           "詳しくは README.md を、インストール後は man d88extract を見てください";
  }
  return "Writes the files of the PC-98 disk (2DD or 2HD) in one D88 image into the current "
         "folder, under the names its directory gives them, and lists them on standard output.\n"
         "  d88extract game.d88               one image, into the current folder\n"
         "  zcat game.d88.gz | d88extract -   from a pipe (- is standard input)\n"
         "  " + std::string(kLoop) + "\n"
         "                                     a folder for each image\n"
         "  d88extract --version              the version\n"
         "Only the first disk of an image is read; disks that start past its first 2 GiB, or "
         "after its 64th, are not counted.\n"
         "More: README.md, or man d88extract once installed";
}

std::string notRead(Language language, const std::vector<std::string>& paths) {
  std::string names;
  for (const std::string& path : paths) names += (names.empty() ? "" : " ") + path;
  if (language == Language::japanese) {
    return "読まなかったもの：" + names + "（1 回に読むイメージは 1 つです。複数なら：" +
           std::string(kLoop) + "）";
  }
  return "Not read: " + names + " (one image a run; for several: " + std::string(kLoop) + ")";
}

std::string startedAlone(Language language) {
  if (language == Language::japanese) {
    return "D88 イメージを extract-here.exe にドロップすると、イメージの横のフォルダーに"
           "書き出します。何かキーを押すと、このウィンドウを閉じます";
  }
  return "Drop a D88 image on extract-here.exe to extract it into a folder beside the image, "
         "or run d88extract IMAGE.d88 in a command prompt. Press any key to close this window";
}

std::string moreFailures(Language language, int32_t count, int error) {
  if (language == Language::japanese) {
    return "ほかに " + number(count) + " 個のファイルも書き込めません（" + systemReason(error) +
           "）";
  }
  return "and " + number(count) + " more " + (count == 1 ? "file" : "files") +
         " could not be written (" + systemReason(error) + ")";
}

std::string summaryLine(Language language, const RunCounts& counts) {
  const int32_t older = counts.replacedOlder;
  if (language == Language::japanese) {
    return "書き出したファイル " + number(counts.written) + " 個、書き出さなかったもの " +
           number(counts.refused) + " 個、読めないか損傷したセクタを含むもの " +
           number(counts.damaged) + " 個、置き換えたもの " + number(counts.replaced) + " 個" +
           (older ? "、前からフォルダーにあって置き換えたもの " + number(older) + " 個" : "");
  }
  return number(counts.written) + (counts.written == 1 ? " file" : " files") + " written, " +
         number(counts.refused) + " not written, " + number(counts.damaged) +
         " with unread or damaged sectors, " + number(counts.replaced) + " replaced" +
         (older ? ", " + number(older) + " that were in the folder before replaced" : "");
}

std::string replacedOlderNote(Language language) {
  return language == Language::japanese ? "：前からフォルダーにあったファイルを置き換えました"
                                        : ": replaced the file that was in the folder before";
}

std::string otherDisks(Language language, int32_t diskCount) {
  // The index ends at its 64th disk: there may be more.
  const bool more = diskCount >= kMaxDisks;
  if (language == Language::japanese) {
    return "このイメージには " + number(diskCount) + (more ? " 枚以上" : " 枚") +
           "のディスクがあり、読んだのは最初の 1 枚だけです";
  }
  return "This image holds " + number(diskCount) + (more ? " disks or more" : " disks") +
         "; only the first was read";
}

std::string nothingExtracted(Language language) {
  if (language == Language::japanese) {
    return "何も取り出せませんでした。どちらの面のディレクトリも読めません。"
           "別の形式のディスク（PC-98 の MS-DOS ディスクなど）かもしれません";
  }
  return "Nothing was extracted: neither side's directory could be read. This may be a disk "
         "of another layout (PC-98 MS-DOS disks are)";
}

}  // namespace d88
