#include "explanations.h"

#include <cstdio>
#include <cstring>

#include "d88_format.h"
#include "host_file.h"

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
    return std::string(path) + ": 一時フォルダ " + folder + " にコピーできません: " +
           systemReason(error);
  }
  return std::string(path) + ": could not be copied into the temporary folder " + folder + ": " +
         systemReason(error);
}

std::string unsupportedReason(Language language, const RefusedImage& image) {
  const bool japanese = language == Language::japanese;
  if (!image.hasDisk) {
    const std::string size = image.bytes < 0 ? "" : number(image.bytes);
    if (japanese) {
      return "D88イメージではありません: " + (size.empty() ? "" : size + " バイトで、") +
             "ディスクヘッダ (688 バイト) より短い";
    }
    return "not a D88 image: " + (size.empty() ? "" : size + " bytes, ") +
           "shorter than a disk header (688 bytes)";
  }
  const std::string_view media = mediaName(image.mediaType);
  if (media.empty() || !image.plausibleHeader) {
    return japanese ? "D88イメージではありません: 最初のディスクのヘッダが D88 のものではない"
                    : "not a D88 image: its first disk header is not one a D88 image holds";
  }
  const std::string found = std::string(media) + " (media " + hex(image.mediaType) + ")";
  if (japanese) {
    return "最初のディスクが " + found +
           " の D88 イメージです; この形式は 2DD と 2HD のディスクのもの";
  }
  return "a D88 image whose first disk is " + found + "; this layout is on 2DD and 2HD disks";
}

std::string usageHint(Language language) {
  if (language == Language::japanese) {
    return "D88 イメージ 1 つから PC-98 のディスクのファイルを今のフォルダに書き出します. "
           "詳しくは man d88extract";
  }
  return "Extracts the files of the PC-98 disk in one D88 image into the current folder. "
         "More: man d88extract";
}

std::string startedAlone(Language language) {
  if (language == Language::japanese) {
    return "D88 イメージを extract-here.exe "
           "にドロップすると、イメージの横のフォルダに書き出します. "
           "何かキーを押すとこのウィンドウを閉じます";
  }
  return "Drop a D88 image on extract-here.exe to extract it into a folder beside the image, "
         "or run d88extract IMAGE.d88 in a command prompt. Press any key to close this window";
}

std::string moreFailures(Language language, int32_t count, int error) {
  if (language == Language::japanese) {
    return "ほかに " + number(count) + " 個のファイルも書き込めません (" + systemReason(error) +
           ")";
  }
  return "and " + number(count) + " more " + (count == 1 ? "file" : "files") +
         " could not be written (" + systemReason(error) + ")";
}

std::string summaryLine(Language language, const RunCounts& counts) {
  if (language == Language::japanese) {
    return "書き出したファイル " + number(counts.written) + ", 書き出さなかったもの " +
           number(counts.refused) + ", 読めないか損傷したセクタを含むもの " +
           number(counts.damaged) + ", 置き換えたもの " + number(counts.replaced);
  }
  return number(counts.written) + (counts.written == 1 ? " file" : " files") + " written, " +
         number(counts.refused) + " not written, " + number(counts.damaged) +
         " with unread or damaged sectors, " + number(counts.replaced) + " replaced";
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
    return "何も取り出せませんでした: どちらの面のディレクトリも読めません. "
           "別の形式のディスク (PC-98 の MS-DOS のディスクなど) かもしれません";
  }
  return "Nothing was extracted: neither side's directory could be read. This may be a disk "
         "of another layout (PC-98 MS-DOS disks are)";
}

}  // namespace d88
