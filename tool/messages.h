// Every message the program writes besides the listing. The Japanese ones are
// Shift_JIS (code page 932) bytes, written as they stand; the comment above
// each gives its text and its meaning.
#pragma once

namespace d88::messages {

// Standard error, with the program name as invoked.
inline constexpr char kUsage[] = "Usage: %s [d88file]\n";

// ファイルをオープンできません.
// The image file cannot be opened.
inline constexpr char kCannotOpen[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76\x83\x93"
    "\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1.\n";

// 2DD/2HD版(PC98)を認識しました.
// The 2DD/2HD (PC-98) edition was recognised; the extraction follows.
inline constexpr char kRecognised[] =
    "2DD/2HD\x94\xC5(PC98)\x82\xF0\x94\x46\x8E\xAF\x82\xB5\x82\xDC\x82\xB5\x82\xBD.\n";

// 未対応のディスクイメージ形式です.
// The disk image format is not supported (no disk, or not 2DD/2HD media).
inline constexpr char kUnsupported[] =
    "\x96\xA2\x91\xCE\x89\x9E\x82\xCC\x83\x66\x83\x42\x83\x58\x83\x4E\x83\x43"
    "\x83\x81\x81\x5B\x83\x57\x8C\x60\x8E\xAE\x82\xC5\x82\xB7.\n";

// The messages below name a directory entry: by its name, or by kEntryLabel
// when the name is empty.

// 面%dの項目%d
// Entry %d (from 0) of side %d (0 or 1), in that order: side, then entry.
inline constexpr char kEntryLabel[] = "\x96\xCA%d\x82\xCC\x8D\x80\x96\xDA%d";

// %sは書き出せないファイル名です.
// %s is a file name that cannot be written: empty, ".", ".." or holding "/".
inline constexpr char kUnsafeName[] =
    "%s\x82\xCD\x8F\x91\x82\xAB\x8F\x6F\x82\xB9\x82\xC8\x82\xA2\x83\x74\x83\x40"
    "\x83\x43\x83\x8B\x96\xBC\x82\xC5\x82\xB7.\n";

// %sのセクタ範囲がディスクの外にあります.
// The sectors of %s lie outside the volume (or end before they start).
inline constexpr char kOutsideVolume[] =
    "%s\x82\xCC\x83\x5A\x83\x4E\x83\x5E\x94\xCD\x88\xCD\x82\xAA\x83\x66\x83\x42"
    "\x83\x58\x83\x4E\x82\xCC\x8A\x4F\x82\xC9\x82\xA0\x82\xE8\x82\xDC\x82\xB7.\n";

// %sを書き込めません.
// The file %s could not be created or written in full.
inline constexpr char kWriteFailed[] =
    "%s\x82\xF0\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1.\n";

// 標準出力に書き込めません.
// Standard output could not be written; the listing is incomplete.
inline constexpr char kStdoutFailed[] =
    "\x95\x57\x8F\x80\x8F\x6F\x97\xCD\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF"
    "\x82\xDC\x82\xB9\x82\xF1.\n";

// Warnings about damaged disks. They do not change the exit status.

// 面%dのディレクトリを最後まで読めません.
// The directory track of side %d is missing or partly missing: the entries
// after the part that was read are not listed or written.
inline constexpr char kDirectoryIncomplete[] =
    "\x96\xCA%d\x82\xCC\x83\x66\x83\x42\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x8D\xC5"
    "\x8C\xE3\x82\xDC\x82\xC5\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1.\n";

// %sには読めなかったセクタが含まれます.
// %s was written, but some of its sectors are missing from this side of the
// image or stored short: those bytes are zero or left from the other side.
inline constexpr char kUnreadSectors[] =
    "%s\x82\xC9\x82\xCD\x93\xC7\x82\xDF\x82\xC8\x82\xA9\x82\xC1\x82\xBD\x83Z\x83N"
    "\x83^\x82\xAA\x8A\xDC\x82\xDC\x82\xEA\x82\xDC\x82\xB7.\n";

// %sには損傷したセクタが含まれます.
// %s was written, but some of its sectors were recorded with a read error
// (CRC error, missing mark); their bytes are as the image holds them.
inline constexpr char kDamagedSectors[] =
    "%s\x82\xC9\x82\xCD\x91\xB9\x8F\x9D\x82\xB5\x82\xBD\x83Z\x83N\x83^\x82\xAA"
    "\x8A\xDC\x82\xDC\x82\xEA\x82\xDC\x82\xB7.\n";

// %sには読めなかったセクタと損傷したセクタが含まれます.
// %s was written, but holds both kinds of sectors above.
inline constexpr char kUnreadAndDamagedSectors[] =
    "%s\x82\xC9\x82\xCD\x93\xC7\x82\xDF\x82\xC8\x82\xA9\x82\xC1\x82\xBD\x83Z\x83N"
    "\x83^\x82\xC6\x91\xB9\x8F\x9D\x82\xB5\x82\xBD\x83Z\x83N\x83^\x82\xAA\x8A\xDC"
    "\x82\xDC\x82\xEA\x82\xDC\x82\xB7.\n";

}  // namespace d88::messages
