#!/usr/bin/env bash
# Checks the test suite the way mutation testing does: applies small faults to
# a scratch copy of the tree, one at a time, rebuilds incrementally and runs
# the suite; every fault must make it fail. Prints "N of M faults caught" and
# fails, naming the faults that survived, unless all were caught.
#   tests/seeded_faults.sh [PATTERN]   (only the faults whose name holds PATTERN)
set -euo pipefail
cd "$(dirname "$0")/.."
only=${1:-}
scratch=$(pwd)/build-faults
tree=$scratch/tree

# file @@ perl substitution (applied to the whole file) @@ what the fault is
faults=(
  "image/d88_format.h@@s/kMediaTypeOffset = 0x1B/kMediaTypeOffset = 0x1A/@@media type offset"
  "image/d88_format.h@@s/kDiskSizeOffset = 0x1C/kDiskSizeOffset = 0x18/@@disk size offset"
  "image/d88_format.h@@s/kTrackTableOffset = 0x20/kTrackTableOffset = 0x24/@@track table offset"
  "image/d88_format.h@@s/kHeaderSize = 0x2B0/kHeaderSize = 0x2A0/@@disk header size"
  "image/d88_format.h@@s/kNameLength = 16/kNameLength = 15/@@disk name length"
  "image/d88_format.h@@s/kMaxDisks = 64/kMaxDisks = 63/@@disks indexed"
  "image/d88_format.h@@s/kSectorCountOffset = 0x04/kSectorCountOffset = 0x0A/@@sector count offset"
  "image/d88_format.h@@s/kDataSizeOffset = 0x0E/kDataSizeOffset = 0x0C/@@data size offset"
  "image/d88_format.h@@s/kStatusOffset = 0x08/kStatusOffset = 0x09/@@status offset"
  "image/d88_format.h@@s/kSectorHeaderSize = 16/kSectorHeaderSize = 12/@@sector header size"
  "image/d88_format.h@@s/status != kStatusDeletedData/status != kStatusNormal/@@damaged-status rule"
  "image/d88_format.h@@s/return static_cast<uint16_t>\(p\[0\] \| \(p\[1\] << 8\)\)/return static_cast<uint16_t>(p[1] | (p[0] << 8))/@@16-bit byte order"
  "image/track_sweep.cpp@@s/sectorKey\(header\[0\], header\[1\], header\[2\], header\[3\]\)/sectorKey(header[0], header[2], header[1], header[3])/@@ID byte order"
  "image/track_sweep.cpp@@s/if \(count == 0\) return false;//@@count 0 ends the walk"
  "image/track_sweep.cpp@@s/int64_t\{count\} - 1 - group.records/int64_t{count} - group.records/@@end of a walk"
  "image/track_sweep.cpp@@s/member.base \+= from.records - into.records;//@@position of walks that meet"
  "image/track_sweep.cpp@@s/    from.members.clear\(\);\n    return a;/    from.members.clear();\n    return b;/@@the group that goes on after a merge"
  "image/track_sweep.cpp@@s/member.base \+= from.records - into.records;/member.base += into.records - from.records;/@@position of a walk that moves group"
  "image/d88_image.cpp@@s/if \(offset == 0 \|\| offset > diskSize_\) return false;/if (offset == 0 || offset >= diskSize_) return false;/@@track entry equal to the disk size"
  "image/d88_image.cpp@@s/at.track = std::min\(at.track, kTrackCount\) \+ 1;/at.track = std::min(at.track, kTrackCount);/@@step to the next track index"
  "image/d88_image.cpp@@s/    at.h = 1;/    at.h = 0;/@@step from head 0 to head 1"
  "image/d88_image.cpp@@s/at.c = at.c < std::numeric_limits<int32_t>::max\(\) \? at.c \+ 1 : at.c;/at.c = at.c;/@@step to the next cylinder"
  "image/d88_image.cpp@@s/  at.r = firstSector_;/  at.r = 1;/@@first sector after a step"
  "image/d88_image.cpp@@s/std::clamp\(maxLength, 0, found.dataSize\)/maxLength/@@copy bounded by the data size"
  "image/d88_image.cpp@@s/if \(std::ferror\(file_\) != 0\) \{/if (false) {/@@a folder as image"
  "image/d88_image.cpp@@s/track >= kTrackCount\) return false;/track > kTrackCount) return false;/@@track index past the table"
  "image/d88_image.cpp@@s/if \(offset == 0 \|\| offset/if (offset/@@track entry 0 is absent"
  "image/d88_image.cpp@@s/if \(nextDiskOffset_ > std::numeric_limits<int32_t>::max\(\)\) indexEnded_ = true;//@@disks past the signed range"
  "image/d88_image.cpp@@s/int64_t\{128\} << std::min\(n, 24\)/int64_t{256} << std::min(n, 24)/@@nominal sector length"
  "image/d88_image.cpp@@s/n, dest \+ done, step\) < step\) return done;/n, dest + done, step) < 1) return done;/@@a run stops at a short sector"
  "image/track_sweep.cpp@@s/(    const KeyedRequest first.*?\n    \}\n)(    \/\/ The walks for which.*?group.members.erase\(ended.first, ended.second\);\n)/\\2\\1/s@@a walk's last record is examined"
  "volume/volume_extraction.cpp@@s/SectorRun\{\{0, 0, 0, 1\},/SectorRun{{0, 0, 0, 2},/@@first sector of the boot read"
  "volume/volume_extraction.cpp@@s/visit\(SectorRun\{firstOf\(kDirectoryTrack\)/visit(SectorRun{SectorAddress{trackIndexOf(0, kDirectoryTrack), 0, 1, 1}/@@each side's own directory"
  "volume/volume_extraction.cpp@@s/if \(isEndMark\(raw\)\) break;/if (isEndMark(raw)) continue;/@@the end mark ends the directory"
  "volume/volume_extraction.cpp@@s/isDamagedStatus\(image.lastSectorStatus\(\)\)/image.lastSectorStatus() == 0xB0/@@damaged sectors noted"
  "cli/report.cpp@@s/\{\{messages::kSide\}, \{side\}, \{messages::kEntry\}, \{index\},/{{messages::kSide}, {index}, {messages::kEntry}, {side},/@@label of an empty name"
  "volume/volume_layout.h@@s/return 2 \* logicalTrack \+ side;/return 2 * logicalTrack + 1 - side;/@@track index of a logical track"
  "volume/volume_layout.h@@s/return logicalTrack \/ 2;/return logicalTrack;/@@cylinder ID of a logical track"
  "volume/volume_layout.h@@s/return logicalTrack % 2;/return 0;/@@head ID of a logical track"
  "volume/volume_layout.h@@s/kSectorSizeCode = 3/kSectorSizeCode = 2/@@volume sector size code"
  "volume/volume_layout.h@@s/kDirectoryTrack = 1/kDirectoryTrack = 2/@@directory track"
  "volume/volume_layout.h@@s/kEndMark = 0xFF/kEndMark = 0xFE/@@end mark"
  "volume/volume_layout.h@@s/kStartSectorOffset = 13/kStartSectorOffset = 12/@@entry field offsets"
  "volume/volume_layout.h@@s/kEndTrackOffset = 14/kEndTrackOffset = 15/@@end track offset"
  "volume/volume_layout.h@@s/kIplOffset = 1664/kIplOffset = 1536/@@boot block offset"
  "volume/volume_layout.h@@s/kIplBytes = 385/kIplBytes = 384/@@boot block length"
  "volume/volume_layout.h@@s/kBootLastSector = 26/kBootLastSector = 10/@@last sector of the boot track"
  "volume/volume_layout.h@@s/kBootTriggerName\[\] = \"m.0000\"/kBootTriggerName[] = \"M.0000\"/@@boot trigger name"
  "volume/directory_entry.cpp@@s/ && raw\[i\] != ' '//@@name ends at a space"
  "volume/directory_entry.cpp@@s/range.offset < 0 \|\| //@@range starting before the volume"
  "volume/directory_entry.cpp@@s/range.size < 0 \|\| //@@negative size"
  "volume/directory_entry.cpp@@s/range.offset \+ range.size > kVolumeBytes/range.offset + range.size >= kVolumeBytes/@@range ending at the volume's end"
  "volume/file_name.cpp@@s/std::strcmp\(name, \"..\"\) != 0/true/@@the name .."
  "cli/report.cpp@@s/kPadding = \"         \";/kPadding = \"        \";/@@listing name width"
  "cli/report.cpp@@s/shownWidth\(listing, name\)/name.size()/@@rows aligned by what a terminal shows"
  "cli/report.cpp@@s/   SIZE:%04x\",/   SIZE:%04X\",/@@listing size digits"
  "cli/report.cpp@@s/  report.allWritten = false;\n//@@refused entry fails the run"
  "cli/report.cpp@@s/  if \(mayShareDestination\(\*report.listing, \*report.diagnostics\)\) \{/  if (false) {/@@listing flushed before a diagnostic"
  "volume/volume_extraction.cpp@@s/std::fill\(sector \+ got, sector \+ run.sectorBytes, uint8_t\{0\}\);//@@zeros after a sector not read in full"
  "volume/volume_extraction.cpp@@s/SectorState::unread\) \{\n      value.kind/SectorState::damaged) {\n      value.kind/@@directory walk stops at unread bytes"
  "cli/report.cpp@@s/  if \(outcome == WriteOutcome::failed\) return messages::kWriteFailed;\n//@@failed write reported"
  "host/output_folder.cpp@@s/if \(isInUse\(folder, existing.identity\)\) return WriteOutcome::inUse;//@@the image under an entry's name"
  "host/output_folder.cpp@@s/    case ExistingKind::other:\n/    case ExistingKind::other: break;\n/@@FIFO or folder under an entry's name"
  "host/output_folder.cpp@@s/    return WriteOutcome::replacedEarlier;/    return WriteOutcome::written;/@@repeated name"
  "host/host_file_posix.cpp@@s/  bool ok = writeAll\(descriptor, data, length\);/  bool ok = true;\n  writeAll(descriptor, data, length);/@@failed write"
  "host/host_file_posix.cpp@@s/  if \(pending != 0\) unlink\(pendingName.data\(\)\);//@@temporary removed on a signal"
  "host/host_file_posix.cpp@@s/  std::signal\(SIGPIPE, SIG_IGN\);//@@closed stdout"
  "cli/terminal_text.cpp@@s/return !\(ch < 0x20 \|\| \(ch >= 0x7F && ch <= 0x9F\) \|\|/return !(ch < 0x1B ||/@@control characters escaped"
  "cli/output_posix.cpp@@s/\? terminalUtf8\(piece.text\)/? terminalAscii(piece.text)/@@UTF-8 terminal"
  "image/d88_format.h@@s/\(static_cast<uint32_t>\(p\[2\]\) << 16\)/(static_cast<uint32_t>(p[2]) << 8)/@@32-bit byte order"
  "image/d88_image.cpp@@s/if \(i \+ 1 == readLe16\(header \+ kSectorCountOffset\)\) break;/if (i == readLe16(header + kSectorCountOffset)) break;/@@end of an ID listing"
  "image/track_sweep.cpp@@s/\{true, \{group.offset \+ kSectorHeaderSize,/{true, {group.offset,/@@where a sector's data starts"
  "volume/volume_layout.h@@s/kNameBytes = 6/kNameBytes = 5/@@name length"
  "volume/volume_layout.h@@s/kLogicalTracks = 77/kLogicalTracks = 76/@@logical tracks"
  "volume/volume_layout.h@@s/kTrackBytes \/ kEntryBytes;/kTrackBytes \/ kEntryBytes - 1;/@@entries in a directory"
  "volume/directory_entry.cpp@@s/return raw\[0\] == kEndMark;/return raw[1] == kEndMark;/@@end mark byte"
  "volume/directory_entry.cpp@@s/\{\(first - 1\) \* kSectorBytes/{first * kSectorBytes/@@byte offset of an entry"
  "volume/directory_entry.cpp@@s/\(last - first \+ 1\) \* kSectorBytes/(last - first) * kSectorBytes/@@size of an entry"
  "volume/directory_entry.cpp@@s/if \(!isSafeFileName\(entry.name.data\(\)\)\) return EntryVerdict::unsafeName;//@@unsafe names refused"
  "volume/file_name.cpp@@s/std::strchr\(name, '\/'\) == nullptr && //@@a slash in a name"
  "cli/report.cpp@@s/entry.startTrack, entry.startSector, entry.endTrack/entry.startSector, entry.startTrack, entry.endTrack/@@listing field order"
  "volume/volume_extraction.cpp@@s/\|\| summary.bootBlock;/\&\& summary.bootBlock;/@@boot flag from either side"
  "volume/volume_extraction.cpp@@s/if \(unread && damaged\) return SectorDamage::unreadAndDamaged;//@@both kinds of damage"
  "host/output_folder.cpp@@s/    return WriteOutcome::failed;\n  \}\n  \/\/ The replaced/  }\n  \/\/ The replaced/@@a failed replacement reported"
  "cli/image_run.cpp@@s/image.selectDisk\(0\);/image.selectDisk(1);/@@the first disk"
  "cli/main.cpp@@s/arguments.size\(\) > 4/arguments.size() > 3/@@argument count"
  "volume/volume_layout.h@@s/mediaType == kMedia2HD \|\| mediaType == kMedia2DD/mediaType == kMedia2HD/@@media check"
  "cli/image_run.cpp@@s/  if \(!finishStream\(listing\)\) \{/  if (false) {/@@failed standard output"
  "cli/image_run.cpp@@s/return report.allWritten && /return true \&\& /@@exit status"
  "cli/image_run.cpp@@s/return report.allWritten && !readNoDirectory\(summary\)/return report.allWritten/@@status 1 when no directory could be read"
  "host/host_file_posix.cpp@@s/    pending = 1;\n    const int descriptor =\n(.*?)\n    if \(descriptor >= 0\) return descriptor;/    const int descriptor =\n\1\n    if (descriptor >= 0) { pending = 1; return descriptor; }/s@@a temporary marked before the call that creates it"
  "host/host_file_posix.cpp@@s/  std::signal\(SIGXFSZ, SIG_IGN\);//@@a file-size limit is not fatal"
  "host/host_file_posix.cpp@@s/found.kind = mayWrite\(info\) \? ExistingKind::file : ExistingKind::readOnlyFile;/found.kind = ExistingKind::file;/@@a file the user may not write"
  "host/host_file_posix.cpp@@s/fchmod\(descriptor, existing.permissions\)/(void)0/@@a replaced file keeps its mode"
  "host/temporary_name.cpp@@s/#include <cstdio>\n/#include <cstdio>\n#include <unistd.h>\n/; s/\".d88extract-%016llx.tmp\",\n\s*static_cast<unsigned long long>\(bits\)\);/\".d88extract-%d-0.tmp\", getpid());/@@temporary names nobody can predict"
  "host/host_file_posix.cpp@@s/    if \(errno != EEXIST\) break;/    break;/@@a taken temporary name is passed over"
  "host/host_file_posix.cpp@@s/if \(ok && written != nullptr && fstat\(descriptor, &info\) == 0\) \*written = identityOf\(info\);//@@the identity of a written file"
  "host/output_folder.cpp@@s/    for \(size_t k = 0; k < count; \+\+k\) folder.written\[k\] = identityOfName\(folder.names\[k\].data\(\)\);\n//@@the files written so far, looked up at the first name in use"
  "host/host_file_posix.cpp@@s/existing.permissions != newFileMode\(\)/existing.permissions == newFileMode()/@@a mode that differs is kept"
  "host/host_file_posix.cpp@@s/if \(lstat\(name, &info\) != 0\)/if (stat(name, \&info) != 0)/@@a link under a name is not followed"
  "host/host_file_posix.cpp@@s/if \(previous.sa_handler == SIG_IGN\) sigaction\(signal, &previous, nullptr\);//@@an ignored signal stays ignored"
  "host/output_folder.cpp@@s/    \*replaced = identity;\n//@@a replaced file's slot"
  "cli/image_run.cpp@@s/if \(sameFile\(imageIdentity, listing.identity\) \|\| sameFile\(imageIdentity, diagnostics.identity\)\) \{/if (false) {/@@output leading to the image"
  "cli/image_run.cpp@@s/if \(!sameFile\(imageIdentity, diagnostics.identity\)\) \{/if (true) {/@@no message into the image"
  "cli/image_run.cpp@@s/listing.identity, diagnostics.identity\};/listing.identity, listing.identity};/@@the file standard error goes to"
  "cli/terminal_text.cpp@@s/return byte < 0x80 \? char32_t\{byte\} : kNoCharacter;/return char32_t{byte};/@@only ASCII outside UTF-8"
  "cli/terminal_text.cpp@@s/\(ch >= 0x2028 && ch <= 0x202E\)/(ch >= 0x2028 \&\& ch <= 0x2029)/@@bidirectional overrides escaped"
  "cli/terminal_text.cpp@@s/\(ch >= 0x200B && ch <= 0x200F\) \|\| //@@invisible characters escaped"
  "host/shift_jis.cpp@@s/\(b >= 0xE0 && b <= 0xFC\)/(b >= 0xE0 \&\& b <= 0xEF)/@@lead bytes high in the range"
  "cli/terminal_text.cpp@@s/  \} else if \(ch < 0x800\) \{/  } else if (ch < 0x80) {/@@two-byte UTF-8"
  "cli/output_posix.cpp@@s/: terminalUtf8FromUtf8\(piece.text\);/: terminalUtf8(piece.text);/@@the program's name on a UTF-8 terminal"
  "cli/output.cpp@@s/ && std::ferror\(stream.file\) == 0//@@a failed early flush of the listing"
  "cli/report.cpp@@s/  \}\n  if \(outcome == WriteOutcome::replacedEarlier\) \{/  } else if (outcome == WriteOutcome::replacedEarlier) {/@@damage and replacement both reported"
  "volume/file_name.cpp@@s/stem\[3\] < u'0'/stem[3] < u'1'/@@COM0 and LPT0"
  "volume/file_name.cpp@@s/, u\"CONIN\\\$\", u\"CONOUT\\\$\"//@@CONIN\$ and CONOUT\$"
  "volume/volume_extraction.cpp@@s/for \(int32_t t = 1; t < kLogicalTracks; \+\+t\) \{\n    visit/for (int32_t t = 1; t < kLogicalTracks - 1; ++t) {\n    visit/@@the last logical track"
  "image/file_window.cpp@@s/return fseeko\(file, static_cast<off_t>\(position\), SEEK_SET\) == 0;/return fseeko(file, static_cast<int32_t>(position), SEEK_SET) == 0;/@@positions past 2 GiB"
  "image/d88_image.cpp@@s/  forgetWindow\(window_\);\n  diskCount_ = 0;/  diskCount_ = 0;/@@the window of an earlier file"
  "host/image_file.cpp@@s/if \(file == nullptr \|\| canSeek\(file\)\)/if (true)/@@an image from a pipe"
  "image/piped_image.cpp@@s/copyForward\(image, position \+ length\);/copyForward(image, position + length + (1 << 20));/@@a pipe copied past what is asked"
  "image/piped_image.cpp@@s/copyForward\(image, position \+ length\);/copyForward(image, std::min<int64_t>(position + length, 1 << 16));/@@a pipe copied only as far as its first window"
  "image/d88_image.cpp@@s/  indexDisks\(kMaxDisks\);\n  return diskCount_;/  return diskCount_;/@@every disk counted"
  "image/file_window.cpp@@s/    window.end = position \+ window.length;/    window.end = -1;/@@the length of a short image from a pipe"
  "cli/report.cpp@@s/if \(diskCount < 2 \|\|/if (diskCount < 3 ||/@@a second disk told"
  "cli/main.cpp@@s/return probeName\(argument.c_str\(\)\).kind == ExistingKind::none;/return true;/@@a file named as a flag is the image"
  "cli/main.cpp@@s/    if \(probeName\(arguments\[i\].c_str\(\)\).kind != ExistingKind::none\) unread/    unread/@@only further arguments that name files told"
  "host/output_folder.cpp@@s/      older = replaced == nullptr;/      older = false;/@@a file from before the run replaced"
  "cli/report.cpp@@s/report.language == Language::english \? meaningOf\(message\)/report.language != Language::english ? meaningOf(message)/@@English meanings where no Japanese is read"
  "host/host_file_posix.cpp@@s/std::getenv\(\"TMPDIR\"\)/std::getenv(\"TMPDIR_UNSET\")/@@the copy of a pipe where TMPDIR says"
  "volume/volume_extraction.cpp@@s/  if \(value.verdict != EntryVerdict::write\) summary.refused \+= 1;\n//@@refused entries counted"
  "image/file_window.cpp@@s/    std::copy_n\(rest.begin\(\), window.length, window.bytes.begin\(\)\);\n//@@an image in memory"
  "cli/report.cpp@@s/  if \(!isTerminal\(stream\)\) return \{\};\n//@@reasons on a terminal only"
  "cli/report.cpp@@s/report.runLength > 0 && report.runError == error/false/@@a run of one failure said once"
  "cli/report.cpp@@s/  if \(!isTerminal\(\*report.diagnostics\)\) return;\n  beforeDiagnostic/  beforeDiagnostic/@@the summary on a terminal only"
  "volume/volume_extraction.h@@s/summary.incompleteDirectories == kSides/summary.incompleteDirectories == 1/@@nothing extracted"
  "cli/report.cpp@@s/    report.counts.replaced \+= 1;\n//@@replaced files counted"
  "cli/explanations.cpp@@s/if \(media.empty\(\) \|\| !image.plausibleHeader\)/if (media.empty())/@@a header that is no D88 header"
  "cli/image_run.cpp@@s/const int error = errno;/const int error = 0;/@@why the image cannot be opened"
  "image/d88_image.cpp@@s/return seekToEnd\(file_\);/return 0;/@@the length of a short image"
  "host/host_file_posix.cpp@@s/errno = S_ISDIR\(info.st_mode\) \? EISDIR : inTheWay\(info.st_mode\);/errno = EEXIST;/@@why a folder under a name is refused"
  "host/host_file_posix.cpp@@s/if \(S_ISFIFO\(mode\)\) return kFifoInTheWay;//@@why a FIFO under a name is refused"
  "host/host_file_posix.cpp@@s/SIGQUIT, SIGALRM,/SIGALRM,/@@SIGQUIT removes the temporary"
  "host/output_folder.cpp@@s/return maybeSameFile\(earlier, identity\);/return sameFile(earlier, identity);/@@a file known without file numbers"
  "cli/report.cpp@@s/return messages::kUnreadAndDamagedSectors;/return messages::kUnreadSectors;/@@the warning for both kinds of damage"
  "image/track_sweep.cpp@@s/if \(!answers_\[r\].found && /if (/@@the first of two records with one ID"
  "image/track_sweep.cpp@@s/it != ended.second; \+\+it\) \{/it != ended.first + (ended.first != ended.second); ++it) {/@@walks that one count ends together"
  "web/src/listing.js@@s/else if \(kDamage\[value.damage\]\) lines.push/else if (false) lines.push/@@the page: a damaged file's warning"
  "web/src/worker.js@@s/value.verdict === 0 && isWindowsName\(core, name.characters\)/value.verdict === 0/@@the page: names Windows cannot hold"
  "web/src/shift_jis.js@@s/0xff61 \+ b - 0xa1/0xff60 + b - 0xa1/@@the page: half-width katakana"
  "web/src/shift_jis.js@@s/b < 0x20 \|\| b === 0x7f/b < 0x10 || b === 0x7f/@@the page: control bytes escaped"
  "web/src/web_core.cpp@@s/\? d88::entryByteRange\(entry\).size/? static_cast<int32_t>(value.bytes.size())/@@the page: size as the listing gives it"
  "web/src/listing.js@@s/  if \(value.verdict === 2\) return/  if (false) return/@@the page: sectors outside the volume"
  "web/src/listing.js@@s/  files.set\(key, file\);/  if (!earlier) files.set(key, file);/@@the page: a later file of one name replaces"
  "web/src/zip.js@@s/os: 3, attrs: \(0o100644 << 16\) >>> 0, flag: 0b100 \}/flag: 0b100 }/@@the page: zip entries made by Unix, mode 0644"
  "web/src/zip.js@@s/, flag: 0b100 \}/ }/@@the page: zip entries' sizes after them, said in both headers"
  "web/src/web_core.cpp@@s/return c \^ 0xFFFFFFFFu;/return c;/@@the page: zipped files: CRC-32 of each"
  "web/src/web_core.cpp@@s/  for \(; at < bytes.size\(\); \+\+at\)/  for (; false; ++at)/@@the page: zipped files: CRC-32 of a file's last bytes"
  "web/src/zip.js@@s/    at \+= part.length;\n//@@the page: zipped files: pieces joined in order"
  "web/src/worker.js@@s/digest\('SHA-256', bytes\)/digest('SHA-1', bytes)/@@the page: zipped files: SHA-256 in the manifest"
  "web/src/collection.js@@s/    if \(left\) return;\n    draw\(\);/    if (left) return;/@@the page: a collection's last lines drawn"
  "web/src/protocol.js@@s/const \{ found, done, resolve \} = waiting.shift\(\);/const { found, done, resolve } = waiting.pop();/@@the page: zipped files: answers taken in order"
  "web/src/protocol.js@@s/    for \(const \{ image \} of waiting\) give\(\[image\]\);\n//@@the page: zipped files: a failed worker's images go to the next"
  "web/src/listing.js@@s/  const key = windowsFold\(value.characters\);/  const key = value.characters;/@@the page: names folded as Windows folds them"
  "web/src/listing.js@@s/  return value.characters.endsWith\(';'\) \? 'semicolon' : null;/  return null;/@@the page: a name ending in ;"
  "web/src/listing.js@@s/name: earlier\?.name \?\? value.characters/name: earlier?.name ?? value.shown/@@the page: files named by their characters"
  "web/src/collection.js@@s/  for \(let k = 2; taken.has\(windowsFold\(folder\)\); \+\+k\)/  for (let k = 2; false; ++k)/@@the page: two images of one name get folders of their own"
  "web/src/inputs.js@@s/if \(entry.encrypted\) yield/if (false) yield/@@the page: an encrypted .zip entry said"
  "web/src/inputs.js@@s/  if \(depth >= kMaxZipDepth\) \{/  if (false) {/@@the page: a .zip nested too deep"
  "web/src/inputs.js@@s/if \(files.reduce\(\(sum, entry\) => sum \+ entry.uncompressedSize, 0\) > kMaxInflated\) \{/if (false) {/@@the page: a .zip that would unpack past 1 GiB"
  "web/src/collection.js@@s/yield \`\\\\ufeff/yield \`/@@the page: the manifest's byte-order mark"
  "web/src/sector_map.js@@s/const kStateNames = \['unread', 'read', 'damaged'\];/const kStateNames = ['unread', 'damaged', 'read'];/@@the page: each sector's state on the map"
  "web/src/viewer.js@@s/const first = Math.max\(0, Math.floor\(box.scrollTop \/ shown.rowHeight\) - kOverscan\);/const first = 0;/@@the page: the rows in view drawn"
  "web/src/map.js@@s/    for \(const owner of sector.owners\) owner.row\?.classList.add\('lit'\);\n//@@the page: a sector lights the rows that hold it"
  "web/src/words.js@@s/export const language = /export const language = 'en' || /@@the page: Japanese where the browser prefers it"
  "volume/volume_extraction.cpp@@s/.sectors = std::span\(states.volume\).subspan\(kSectorsPerTrack\)/.sectors = std::span(states.volume).first(380)/@@sector states from logical track 1"
  "web/src/web_core.cpp@@s/  handMessage\(\"directoryIncomplete\", m::kDirectoryIncomplete\);\n//@@the page: an incomplete directory said"
  "image/d88_image.cpp@@s/  return static_cast<int64_t>\(window_.source.bytes.size\(\)\);/  return window_.length;/@@the length of an image in memory"
  "host/host_file_posix.cpp@@s/return stat\(path, &info\) == 0 \? identityOf\(info\) : FileIdentity\{\};/return lstat(path, \&info) == 0 ? identityOf(info) : FileIdentity{};/@@the image named through a link"
  "host/host_file_posix.cpp@@s/O_WRONLY \| O_CREAT \| O_EXCL \| O_NOFOLLOW \| O_CLOEXEC, 0666\)/O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)/@@a new file's mode from the umask"
  "host/host_file_posix.cpp@@s/if \(ok && existing.kind == ExistingKind::file && existing.permissions/if (ok \&\& existing.kind != ExistingKind::none \&\& existing.permissions/@@a file over a link does not take the link's mode"
  "cli/report.cpp@@s/report.runLength > 0 && report.runError == error/report.runLength > 0/@@a run of failures counts one cause only"
  "cli/report.cpp@@s/  beforeDiagnostic\(report\);\n  endFailureRun\(report\);\n  writeLine\(\*report.diagnostics, \{\{summaryLine/  beforeDiagnostic(report);\n  writeLine(*report.diagnostics, {{summaryLine/@@a run of failures at the end is said before the summary"
  "cli/report.cpp@@s/    report.counts.damaged \+= 1;\n//@@damaged files counted"
  "cli/explanations.cpp@@s/書き出さなかったもの \" \+\n           number\(counts.refused\)/書き出さなかったもの \" +\n           number(counts.replaced)/@@the Japanese summary's counts in place"
  "volume/volume_extraction.h@@s/return summary.entries == 0 && summary.incompleteDirectories == kSides;/return summary.entries == 0;/@@a blank disk is not a failure"
  "web/src/listing.js@@s/if \(summary.damaged\) counts.push\(words.withDamage\(summary.damaged\)\);/if (summary.refused + listing.counts.notOffered) counts.push(words.withDamage(summary.refused + listing.counts.notOffered));/@@the page: damaged files counted, not refused ones"
  "web/src/shift_jis.js@@s/\(b >= 0xe0 && b <= 0xfc\)/(b >= 0xe0 \&\& b <= 0xef)/@@the page: lead bytes F0 to FC"
  "host/host_file.h@@s/a.size == b.size && a.modified == b.modified/a.size == b.size/@@a file of the same size but another time is another file"
  "host/host_file_posix.cpp@@s/  if \(info.st_uid == user\) return \(info.st_mode & S_IWUSR\) != 0;\n//@@the owner's own write bit"
  "host/host_file_posix.cpp@@s/return \(info.st_mode & S_IWUSR\) != 0;/return (info.st_mode \& S_IWGRP) != 0;/@@the owner's own files replaced"
  "host/host_file_posix.cpp@@s/    errno = EACCES;\n  \}\n  return found;/    errno = EEXIST;\n  }\n  return found;/@@why a file that may not be written is kept"
  "host/host_file_posix.cpp@@s/\{\"LC_ALL\", \"LC_MESSAGES\", \"LANG\"\}/{\"LC_ALL\", \"LANG\"}/@@LC_MESSAGES chooses the words"
  "cli/image_run.cpp@@s/copyFailed \? cannotCopyReason\(language, path, error\)/copyFailed ? cannotOpenReason(language, path, error)/@@a pipe's copy that failed, said as such"
  "volume/volume_extraction.h@@s/summary.incompleteDirectories == kSides;/summary.incompleteDirectories >= 1;/@@one side read is something read"
  "web/src/main.js@@s/!isArchiveName\(files\[0\]\.path\)/!isArchiveName('')/@@the page: one .zip or .gz chosen alone is a collection"
  "web/src/worker.js@@s/value.kind !== 1 && value.verdict === 0/value.kind === 0 \&\& value.verdict === 0/@@the page: IPLMUS's SHA-256 in the manifest"
  "web/src/words.js@@s/\/\^ja\\\\b\/i/\/^ja-\/i/@@the page: Japanese for a browser that says only ja"
  "web/src/inputs.js@@s/decodeShiftJis\(raw\).characters \?\? String.fromCharCode/String.fromCharCode/@@the page: Shift_JIS names in an input .zip"
  "web/src/collection.js@@s/taken.has\(windowsFold\(folder\)\); \+\+k\)/taken.has(folder); ++k)/@@the page: folders of names that differ in case only"
  "web/src/collection.js@@s/replace\(\/\\\\\.gz\\\$\/i, ''\)/replace(\/\\\\.gz\\\$\/, '')/@@the page: a .GZ in capitals"
  "web/src/zip.js@@s/piece.set\(chunk.subarray\(at, at \+ taken\), held\);/piece.set(chunk.subarray(at, at + taken), 0);/@@the page: a collection's zip gathered in pieces in order"
  "web/src/collection.js@@s/\{ unread: 'unread', damaged: 'damaged',/{ unread: 'damaged', damaged: 'unread',/@@the page: the manifest's words for each damage"
  "web/src/collection.js@@s/text.replaceAll\('\"', '\"\"'\)/text/@@the page: a quote in a CSV cell doubled"
  "web/src/collection.js@@s/Array.from\(bytes, hex2\).join\(''\)/Array.from(bytes, hex2).join(' ')/@@the page: a name's raw bytes in the manifest"
  "web/src/collection.js@@s/      stopAsked = true;/      stopAsked = false;/@@the page: Stop ends a collection after its image"
  "web/src/sector_map.js@@s/  if \(owners.length > 1\) return 'shared';\n//@@the page: a sector more than one entry holds"
  "web/src/sector_map.js@@s/const kIplFirst = 13;/const kIplFirst = 14;/@@the page: the boot sectors IPLMUS holds"
  "web/src/viewer.js@@s/columns\[i \+ 1\] = user \? '.' : '';/columns[i + 1] = user ? '.' : ' ';/@@the page: a double-byte character's two columns"
  "web/src/viewer.js@@s/kRowBytes\) - 2\) \* rowHeight : 0;/kRowBytes) - 2) * rowHeight : box.scrollTop;/@@the page: another file shown from its first row"
  "web/src/worker.js@@s/    const from = position - blockStart;/    const from = position;/@@the page: an image read by ranges"
  "web/src/worker.js@@s/    if \(!whole && !inBlock && position < file.size\) \{/    if (!whole \&\& !inBlock \&\& position < kReadOn) {/@@the page: an image read past its first MiB"
  "web/src/image_run.js@@s/message.diskCount > 1 \?/message.diskCount > 2 ?/@@the page: the other disks of an image told"
  "web/src/shift_jis.js@@s/    if \(character === null\) valid = false;\n    else characters/    if (character !== null) characters/@@the page: a byte that is no character"
  "web/src/image_run.js@@s/if \(summary.entries === 0 && summary.incompleteDirectories === 2\) \{/if (false) {/@@the page: no map for a disk with neither directory read"
  "web/src/image_run.js@@s/mediaName\(found.mediaType\), found.writeProtected\)/mediaName(found.mediaType), false)/@@the page: the write-protect flag said"
  "image/d88_format.h@@s/kWriteProtectOffset = 0x1A/kWriteProtectOffset = 0x1B/@@write-protect flag offset"
  "web/src/viewer.js@@s/    opener\?.focus\(\);\n//@@the page: Escape gives the keyboard back"
  "web/src/viewer.js@@s/    \(on \? \\\$\('text-lines'\) : box\).focus\(\{ preventScroll: true \}\);\n//@@the page: the bytes take the keyboard"
  "web/src/map.js@@s/    if \(!next\) return;/    next ??= lines[0][0];/@@the page: arrow keys stop at the map's edges"
  "web/src/viewer.js@@s/state: sectors\[Math.floor\(i \/ size\)\]\?.state \?\? 'read'/state: 'read'/@@the page: missing bytes marked"
  "web/src/viewer.js@@s/if \(stateAt\(at\).starts && at > 0\)/if (false)/@@the page: a line where a sector starts"
  "web/src/viewer.js@@s/const user = isUserDefined\(characters\);/const user = false;/@@the page: user-defined characters as dots"
  "web/src/words.js@@s/recognised: '', unsupported: '',/recognised: 'A 2DD\/2HD (PC-98) disk was recognised.', unsupported: '',/@@the page: no English beside the system's Japanese"
  "web/src/main.js@@s/matchMedia\('\(pointer: fine\)'\).matches/true/@@the page: no word of dropping on a phone"
  "web/src/map.js@@s/    info.textContent = words.fileOnMap\(name, sectorsOf.length\);\n//@@the page: the line under the map follows the chosen file"
  "image/d88_image.cpp@@s/answer.found && answer.sector.dataOffset == dataOffsets/answer.found || answer.sector.dataOffset == dataOffsets/@@a record that a read of its ID does not reach"
  "volume/volume_layout.h@@s/r <= kSectorsPerTrack && n == kSectorSizeCode;/r <= kSectorsPerTrack;/@@the layout asks for N 3 only"
  "web/src/web_core.cpp@@s/at\[7\] = asked \? \(record.reached \? 1 : 2\) : 0;/at[7] = asked ? 1 : 0;/@@the page: a record asked for that a read does not reach"
  "web/src/worker.js@@s/if \(wantSectors && summaryOfRun\) \{/if (wantSectors \&\& !summaryOfRun) {/@@the page: the tracks' records handed once the rest is out"
  "web/src/tracks.js@@s/const imageTrack = 2 \* track \+ side;/const imageTrack = 2 * track;/@@the page: side 1 of a track is the image's odd track"
  "web/src/tracks.js@@s/\['notAsked', 'read', 'notReached'\]/['notAsked', 'read', 'read']/@@the page: what the layout makes of each record"
  "web/src/words.js@@s/0xb0: 'data CRC error'/0xb0: 'ID CRC error'/@@the page: a record's status in words"
  "web/src/tracks.js@@s/  if \(track > 0\) \{/  if (track >= 0) {/@@the page: no track before track 0"
  "web/src/shift_jis.js@@s/let end = bytes.indexOf\(0x1a\);/let end = -1;/@@the page: a text file ends at its end mark"
  "web/src/shift_jis.js@@s/characters.split\(\/\\\\r\?\\\\n\/\)/characters.split('\\\\n')/@@the page: CR LF ends a line of text"
  "web/src/shift_jis.js@@s/bytes.push\(code - 0xff61 \+ 0xa1\)/bytes.push(code - 0xff61 + 0xa0)/@@the page: half-width katakana searched for"
  "web/src/search.js@@s/for \(const cell of cellsOf\(side, k\)\) cell.classList.add\('found'\);/;/@@the page: matches marked on the map"
  "web/src/search.js@@s/\{2\}\)\+\\\$\/i.test\(digits\)/{2})+\\\$\/.test(digits)/@@the page: hex in capitals searched for"
  "web/src/viewer.js@@s/const state = i >= end \? 'read' : marked\(i\) \? 'found' : stateAt\(i\).state;/const state = i >= end ? 'read' : stateAt(i).state;/@@the page: the bytes a search found marked"
  "web/src/viewer.js@@s/for \(let at = from; at <= to; at \+= kRowBytes\)/for (let at = from; at < to; at += kRowBytes)/@@the page: the last row copied"
  "web/src/viewer.js@@s/shown.bytes.subarray\(from, end\)/shown.bytes.subarray(from, to)/@@the page: a row's text copied"
  "web/src/sector_map.js@@s/fileName: \`side\\\$\{where\}-t\\\$\{hex2\(track\)\}-s\\\$\{hex2\(r\)\}.bin\`/fileName: \`side\\\${where}-t\\\${hex2(track)}-s\\\${hex2(r - 1)}.bin\`/@@the page: a sector saved under its place"
  "web/src/sector_map.js@@s/unread: 'missing', damaged: 'damaged'/unread: 'damaged', damaged: 'missing'/@@the page: each sector's state in the map's JSON"
  "web/src/sector_map.js@@s/directory: map.sides\[side\].owners\[k\].includes\('directory'\),\n        entries: holders\(sector\)/directory: map.sides[side].owners[k].includes('directory'),\n        entries: []/@@the page: the entries that hold a sector in the map's JSON"
  "web/src/collection.js@@s/const formula = \/\^\[=\+\\\\-@\\\\t\\\\r\]\/.test\(text\);/const formula = \/^[=+@\\\\t\\\\r]\/.test(text);/@@the page: a CSV cell that begins with - made text"
  "web/src/collection.js@@s/if \(kDeviceName.test\(base\)\)/if (false)/@@the page: no folder a Windows device name"
  "web/src/collection.js@@s/let folder = cut\(base, kFolderLength\);/let folder = base;/@@the page: folders of 100 characters at most"
  "web/src/collection.js@@s/\.\.\.archives, stem\(parts.at\(-1\)\)/stem(parts.at(-1))/@@the page: an image's folder keeps its archive's name"
  "web/src/collection.js@@s/new Set\(kManifestNames.map\(windowsFold\)\)/new Set()/@@the page: no folder the manifest's name"
  "web/src/collection.js@@s/const folder = placed.size \? folderFor\(path, folders\) : '';/const folder = folderFor(path, folders);/@@the page: the manifest names only folders the zip holds"
  "web/src/collection.js@@s/if \(summary.entries === 0 && summary.incompleteDirectories === 2\) \{\n      return imageWithout/if (false) {\n      return imageWithout/@@the page: a disk with nothing extracted counted as such"
  "web/src/inputs.js@@s/error.message === ERR_INVALID_CRC32 \? words.badCrc/error.message === 'no such' ? words.badCrc/@@the page: an entry that fails its CRC-32 said so"
  "web/src/inputs.js@@s/\{ checkSignature: true \}/{ checkSignature: false }/@@the page: each input entry checked against its CRC-32"
  "web/src/inputs.js@@s/if \(!files.length\) \{/if (!files.length \&\& false) {/@@the page: an archive with no file has its line"
  "web/src/gunzip.js@@s/      gunzip.push\(piece, false\);/      gunzip.push(piece, at + kPiece >= blob.size);/@@the page: every member of a .gz"
  "web/src/gunzip.js@@s/rest.some\(\(b\) => b !== 0\)/rest.some((b) => b === 0)/@@the page: zeros after a .gz's last member"
  "web/src/gunzip.js@@s/if \(needed > kMaxInflated\) throw/if (false) throw/@@the page: a .gz that would unpack past 1 GiB"
  "web/src/collection.js@@s/const size = result.size \?\? image.blob\?.size \?\? image.bytes.length;/const size = image.blob?.size ?? image.bytes.length;/@@the page: a .gz's image is the one it unpacks to"
  "web/src/worker.js@@s/image instanceof Uint8Array \? Promise.resolve\(image\) : //@@the page: a large image from a .zip read from its bytes"
  "web/src/worker.js@@s/  arenaUsed \+= length;\n//@@the page: each file of a collection in bytes of its own"
  "web/src/zip.js@@s/if \(!onTheirWay && !waitsForFile\(\)\) \{/if (!onTheirWay) {/@@the page: a collection's zip goes to the file once it is given"
  "web/src/zip.js@@s/piece = written.pop\(\) \?\? new Uint8Array\(kPiece\);/piece = full;/@@the page: a piece of the zip on its way to the file is filled again only once written"
  "web/src/bag.js@@s/Payload-Oxum: \\\$\{octets\}.\\\$\{payload.length\}/Payload-Oxum: \\\${payload.length}.\\\${octets}/@@the page: a bag's Payload-Oxum"
  "web/src/bag.js@@s/pieces: payload.map\(manifestLine\)/pieces: payload.slice(1).map(manifestLine)/@@the page: every payload file in a bag's manifest"
  "web/src/worker.js@@s/crypto.subtle \? new Uint8Array\(await crypto.subtle.digest\('SHA-256', bytes\)\) : sha256\(bytes\)/crypto.subtle ? new Uint8Array(await crypto.subtle.digest('SHA-256', bytes)) : new Uint8Array(32)/@@the page: SHA-256 without a secure context"
  "web/src/worker.js@@s/imageSha256 = whole \? await sha256Hex\(whole\)/imageSha256 = whole ? '' /@@the page: each image's SHA-256 in the manifest"
  "web/src/sector_map.js@@s/if \(runs.at\(-1\)\?.state === state\)/if (false)/@@the page: a file's sectors in runs of one state"
  "web/src/collection.js@@s/const hash = asBag \? sha256Hashing\(\) : null;/const hash = null;/@@the page: a bag's manifest files with their SHA-256"
  "web/src/sector_map.js@@s/sectors\[where\]\?.states\[k - kSectors\]/sectors[where]?.states[k]/@@the page: a file's sectors' states in the manifest"
  "web/src/collection.js@@s/c === 'sectors' \? runsText\(row\[c\]\) : row\[c\]/row[c]/@@the page: a file's sectors in the CSV"
  "web/src/zip.js@@s/    for \(const before of blobs.splice\(0\)\) await writer.write\(before\);\n//@@the page: a zip sent to a file keeps what was made before"
  "web/src/zip.js@@s/encoder.encodeInto\(text, utf8\).written/encoder.encodeInto(text, utf8).read/@@the page: a manifest's text made into every byte of its UTF-8"
  "web/src/worker.js@@s/  const diskCount = core._d88CountDisks\(\);\n/  whole?.buffer.transfer?.(0);\n  const diskCount = core._d88CountDisks();\n/@@the page: an image's bytes kept until its last disk is counted"
  "web/src/worker.js@@s/ : null\), \(\) => null\);/ : null));/@@the page: images read together are read again on their own when that read fails"
  "web/src/worker.js@@s/if \(whole && !whole.heldForNext\) whole.buffer/whole?.buffer/@@the page: images read together keep their bytes until the last of them"
  "web/src/zip.js@@s/if \(final\) last = chunk;/if (final) last = chunk.subarray(1);/@@the page: a collection's zip ends with its central directory, whole"
  "web/src/zip.js@@s/writing.then\(\(\) => \(written.length \? letGo\(full\) : written.push\(full\)\)\);/letGo(full);/@@the page: a piece of the zip let go of only once written"
)

mkdir -p "$tree"
# A scratch copy of the tree as it stands, built once; each fault rebuilds only
# what it touches.
git ls-files -z | tar --null -T - -cf - | tar -xf - --touch -C "$tree"
cmake -S "$tree" -B "$scratch/build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O0 >/dev/null
cmake --build "$scratch/build" -j2 >/dev/null
ctest --test-dir "$scratch/build" -j2 >/dev/null || { echo "the suite fails without a fault"; exit 1; }

# The page's faults are built and tested in the page's own build (emscripten,
# Chromium), made the first time one of them comes.
web_ready=false
prepare_web() {
  $web_ready && return
  (cd "$tree" && cmake --preset web >/dev/null && cmake --build build-web >/dev/null 2>&1 &&
    ctest --test-dir build-web >/dev/null) || { echo "the page's tests fail without a fault"; exit 1; }
  web_ready=true
}
build_and_test() {
  if [[ $1 == web/* ]]; then
    # The site alone (the command line beside it does not change), and the
    # page's tests up to the first that fails.
    cmake --build "$tree/build-web" --target site >/dev/null 2>&1 || return 2
    D88_FIRST_FAILURE=1 ctest --test-dir "$tree/build-web" >/dev/null 2>&1
    return
  fi
  cmake --build "$scratch/build" -j2 >/dev/null 2>&1 || return 2
  ctest --test-dir "$scratch/build" -j2 --stop-on-failure >/dev/null 2>&1
}

caught=0
total=0
missed=()
for fault in "${faults[@]}"; do
  file=${fault%%@@*}
  rest=${fault#*@@}
  edit=${rest%%@@*}
  name=${rest#*@@}
  [[ -z $only || $name == *$only* ]] || continue
  total=$((total + 1))
  if [[ ! -f $tree/$file ]]; then
    missed+=("$name (there is no $file)")
    continue
  fi
  [[ $file != web/* ]] || prepare_web
  cp "$tree/$file" "$scratch/original"
  trap 'cp "$scratch/original" "$tree/$file"; touch "$tree/$file"' EXIT
  perl -0pi -e "$edit" "$tree/$file"
  if cmp -s "$tree/$file" "$scratch/original"; then
    missed+=("$name (the fault does not apply to $file)")
  else
    result=0
    build_and_test "$file" || result=$?
    case $result in
      0) missed+=("$name") ;;
      2) missed+=("$name (does not build)") ;;
      *) caught=$((caught + 1)) ;;
    esac
  fi
  cp "$scratch/original" "$tree/$file"
  touch "$tree/$file"
  trap - EXIT
done
cmake --build "$scratch/build" -j2 >/dev/null
if $web_ready; then cmake --build "$tree/build-web" >/dev/null 2>&1; fi

echo "$caught of $total faults caught"
for name in "${missed[@]}"; do echo "not caught: $name"; done
((caught == total))
