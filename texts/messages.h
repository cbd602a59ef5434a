// Every message the program writes besides the listing, as Shift_JIS (code
// page 932) bytes written as they stand. The comment above each gives its text
// and its meaning. Lines are stored without their line feed, which the output
// adds; names and numbers are separate pieces of the line, never formats.
#pragma once

#include <string_view>

namespace d88::messages {

// Usage: PROGRAM [d88file]   (standard error; PROGRAM as invoked)
inline constexpr std::string_view kUsageStart = "Usage: ";
inline constexpr std::string_view kUsageEnd = " [d88file]";

// ファイルをオープンできません.
// The image file cannot be opened.
inline constexpr std::string_view kCannotOpen =
    "\x83t\x83@\x83\x43\x83\x8B\x82\xF0\x83I\x81[\x83v\x83\x93\x82\xC5\x82"
    "\xAB\x82\xDC\x82\xB9\x82\xF1.";

// 2DD/2HD版(PC98)を認識しました.
// The 2DD/2HD (PC-98) edition was recognised; the listing follows.
inline constexpr std::string_view kRecognised =
    "2DD/2HD\x94\xC5(PC98)\x82\xF0\x94\x46\x8E\xAF\x82\xB5\x82\xDC\x82\xB5"
    "\x82\xBD.";

// 未対応のディスクイメージ形式です.
// The disk image format is not supported (no disk, or not 2DD/2HD media).
inline constexpr std::string_view kUnsupported =
    "\x96\xA2\x91\xCE\x89\x9E\x82\xCC\x83\x66\x83\x42\x83X\x83N\x83\x43\x83"
    "\x81\x81[\x83W\x8C`\x8E\xAE\x82\xC5\x82\xB7.";

// 出力先が読み込み中のイメージです.
// Standard output or standard error leads to the image being read: nothing is
// written, so that the image is not appended to.
inline constexpr std::string_view kOutputIsImage =
    "\x8F\x6F\x97\xCD\x90\xE6\x82\xAA\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x92\x86\x82\xCC"
    "\x83\x43\x83\x81\x81\x5B\x83\x57\x82\xC5\x82\xB7.";

// 標準出力に書き込めません.
// Standard output could not be written; the listing is incomplete.
inline constexpr std::string_view kStdoutFailed =
    "\x95W\x8F\x80\x8Fo\x97\xCD\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82"
    "\xDC\x82\xB9\x82\xF1.";

// The messages below follow a directory entry's name (NAME), or its label when
// the name is empty: 面S の項目K, "side S, entry K", both counted from 0.
// 面 (side)
inline constexpr std::string_view kSide = "\x96\xCA";
// の項目 (entry)
inline constexpr std::string_view kEntry = "\x82\xCC\x8D\x80\x96\xDA";

// NAMEは書き出せないファイル名です.
// NAME is a file name that cannot be written: empty, ".", ".." or holding
// "/" (on Windows also the names Windows forbids).
inline constexpr std::string_view kUnsafeName =
    "\x82\xCD\x8F\x91\x82\xAB\x8Fo\x82\xB9\x82\xC8\x82\xA2\x83t\x83@\x83\x43"
    "\x83\x8B\x96\xBC\x82\xC5\x82\xB7.";

// NAMEのセクタ範囲がディスクの外にあります.
// The sectors of NAME lie outside the volume (or end before they start).
inline constexpr std::string_view kOutsideVolume =
    "\x82\xCC\x83Z\x83N\x83^\x94\xCD\x88\xCD\x82\xAA\x83\x66\x83\x42\x83X\x83"
    "N\x82\xCC\x8AO\x82\xC9\x82\xA0\x82\xE8\x82\xDC\x82\xB7.";

// NAMEを書き込めません.
// The file NAME could not be created or written in full, or a folder, FIFO
// or device stands under its name; whatever was there before is untouched.
inline constexpr std::string_view kWriteFailed =
    "\x82\xF0\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1.";

// NAMEは読み込み中のイメージか出力先のファイルなので書き出せません.
// NAME is the image being read, or the file that standard output or standard
// error goes to: it is not written over.
inline constexpr std::string_view kInUse =
    "\x82\xCD\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x92\x86\x82\xCC\x83\x43\x83\x81"
    "\x81[\x83W\x82\xA9\x8Fo\x97\xCD\x90\xE6\x82\xCC\x83t\x83@\x83\x43\x83"
    "\x8B\x82\xC8\x82\xCC\x82\xC5\x8F\x91\x82\xAB\x8Fo\x82\xB9\x82\xDC\x82"
    "\xB9\x82\xF1.";

// NAMEは先に書き出した同じ名前のファイルを置き換えました.
// Warning: NAME replaced the file of the same name written earlier in this run.
inline constexpr std::string_view kReplacedEarlier =
    "\x82\xCD\x90\xE6\x82\xC9\x8F\x91\x82\xAB\x8Fo\x82\xB5\x82\xBD\x93\xAF"
    "\x82\xB6\x96\xBC\x91O\x82\xCC\x83t\x83@\x83\x43\x83\x8B\x82\xF0\x92u\x82"
    "\xAB\x8A\xB7\x82\xA6\x82\xDC\x82\xB5\x82\xBD.";

// NAMEには読めなかったセクタが含まれます.
// Warning: NAME was written, but some of its sectors are missing from this side
// of the image or stored short; those bytes are zero.
inline constexpr std::string_view kUnreadSectors =
    "\x82\xC9\x82\xCD\x93\xC7\x82\xDF\x82\xC8\x82\xA9\x82\xC1\x82\xBD\x83Z"
    "\x83N\x83^\x82\xAA\x8A\xDC\x82\xDC\x82\xEA\x82\xDC\x82\xB7.";

// NAMEには損傷したセクタが含まれます.
// Warning: NAME was written, but some of its sectors were recorded with a read
// error (CRC error, missing mark); their bytes are as the image holds them.
inline constexpr std::string_view kDamagedSectors =
    "\x82\xC9\x82\xCD\x91\xB9\x8F\x9D\x82\xB5\x82\xBD\x83Z\x83N\x83^\x82\xAA"
    "\x8A\xDC\x82\xDC\x82\xEA\x82\xDC\x82\xB7.";

// NAMEには読めなかったセクタと損傷したセクタが含まれます.
// Warning: NAME was written, but holds both kinds of sectors above.
inline constexpr std::string_view kUnreadAndDamagedSectors =
    "\x82\xC9\x82\xCD\x93\xC7\x82\xDF\x82\xC8\x82\xA9\x82\xC1\x82\xBD\x83Z"
    "\x83N\x83^\x82\xC6\x91\xB9\x8F\x9D\x82\xB5\x82\xBD\x83Z\x83N\x83^\x82"
    "\xAA\x8A\xDC\x82\xDC\x82\xEA\x82\xDC\x82\xB7.";

// 面S + this: the directory track of side S is missing or partly missing; the
// entries after the part that was read are not listed or written (a warning).
// 面Sのディレクトリを最後まで読めません.
inline constexpr std::string_view kDirectoryIncomplete =
    "\x82\xCC\x83\x66\x83\x42\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x8D\xC5\x8C"
    "\xE3\x82\xDC\x82\xC5\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1.";

}  // namespace d88::messages
