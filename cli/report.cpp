#include "report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "host_file.h"
#include "messages.h"

namespace d88 {

namespace {

// "%-9s  START:%02x %02x    END:%02x %02x   SIZE:%04x": the name padded with
// spaces to nine bytes (on a terminal, to nine columns as shown), a negative
// size as its 32-bit two's complement.
void writeListingLine(OutputStream& listing, const DirectoryEntry& entry) {
  const std::string_view name = entry.name.data();
  constexpr std::string_view kPadding = "         ";
  const size_t padding = kPadding.size() - std::min(kPadding.size(), shownWidth(listing, name));
  std::array<char, 64> fields;
  const int fieldsLength =
      std::snprintf(fields.data(), fields.size(), "  START:%02x %02x    END:%02x %02x   SIZE:%04x",
                    entry.startTrack, entry.startSector, entry.endTrack, entry.endSector,
                    static_cast<uint32_t>(entryByteRange(entry).size));
  writeLine(listing, {{name},
                      {kPadding.substr(0, padding)},
                      {{fields.data(), static_cast<size_t>(fieldsLength)}}});
}

// Keeps the lines of both streams in the order they were written when they
// lead to the same place; costs nothing when there is no diagnostic.
void beforeDiagnostic(Report& report) {
  if (mayShareDestination(*report.listing, *report.diagnostics)) {
    std::fflush(report.listing->file);
  }
}

// " (meaning: reason)" on a terminal, the meaning of the Japanese message
// where the person does not read Japanese; nothing elsewhere.
std::string explained(const Report& report, const OutputStream& stream, std::string_view message,
                      std::string_view reason) {
  if (!isTerminal(stream)) return {};
  const std::string_view meaning =
      report.language == Language::english ? meaningOf(message) : std::string_view{};
  if (meaning.empty() && reason.empty()) return {};
  const std::string_view separator = meaning.empty() || reason.empty() ? "" : ": ";
  const std::string said = std::string(meaning) + std::string(separator) + std::string(reason);
  // Full-width brackets in Japanese, as a Japanese writer puts them.
  return report.language == Language::japanese ? "（" + said + "）" : " (" + said + ")";
}

std::string explained(const Report& report, std::string_view message, std::string_view reason) {
  return explained(report, *report.diagnostics, message, reason);
}

// Ends a run of identical write failures with how many more there were.
void endFailureRun(Report& report) {
  if (report.runLength > 1) {
    writeLine(
        *report.diagnostics,
        {{moreFailures(report.language, report.runLength - 1, report.runError), TextKind::host}});
  }
  report.runError = 0;
  report.runLength = 0;
}

// NAME + message, or 面S の項目K + message for an entry with an empty name.
void writeAboutEntry(Report& report, const ExtractedEntry& value, std::string_view message,
                     std::string_view reason = {}) {
  beforeDiagnostic(report);
  endFailureRun(report);
  const std::string_view name = value.entry.name.data();
  const std::string why = explained(report, message, reason);
  if (!name.empty()) {
    writeLine(*report.diagnostics, {{name}, {message}, {why, TextKind::host}});
    return;
  }
  const std::string side = std::to_string(value.side);
  const std::string index = std::to_string(value.index);
  writeLine(
      *report.diagnostics,
      {{messages::kSide}, {side}, {messages::kEntry}, {index}, {message}, {why, TextKind::host}});
}

// A failure to write, said once for a run of them with one reason on a terminal.
void reportWriteFailure(Report& report, const ExtractedEntry& value) {
  const int error = report.folder->lastError;
  if (isTerminal(*report.diagnostics) && report.runLength > 0 && report.runError == error) {
    report.runLength += 1;
    return;
  }
  writeAboutEntry(report, value, messages::kWriteFailed, systemReason(error));
  report.runError = error;
  report.runLength = 1;
}

std::string_view damageWarning(SectorDamage damage) {
  switch (damage) {
    case SectorDamage::unread: return messages::kUnreadSectors;
    case SectorDamage::damaged: return messages::kDamagedSectors;
    case SectorDamage::unreadAndDamaged: return messages::kUnreadAndDamagedSectors;
    case SectorDamage::none: break;
  }
  return {};
}

// The refusal of an entry that is not written, or nothing.
std::string_view writeEntry(Report& report, const ExtractedEntry& value) {
  const char* name = value.entry.name.data();
  // The name first, by every rule and the host's own, as the verdict does.
  if (value.verdict == EntryVerdict::unsafeName || !isHostFileName(name)) {
    return messages::kUnsafeName;
  }
  if (value.verdict == EntryVerdict::outsideVolume) return messages::kOutsideVolume;
  const WriteOutcome outcome =
      writeFile(*report.folder, name, value.bytes.data(), static_cast<int32_t>(value.bytes.size()));
  if (outcome == WriteOutcome::failed) return messages::kWriteFailed;
  if (outcome == WriteOutcome::inUse) return messages::kInUse;
  report.counts.written += 1;
  if (value.damage != SectorDamage::none) {
    report.counts.damaged += 1;
    writeAboutEntry(report, value, damageWarning(value.damage));
  }
  if (outcome == WriteOutcome::replacedEarlier) {
    report.counts.replaced += 1;
    writeAboutEntry(report, value, messages::kReplacedEarlier);
  }
  // The person's own file, or one of an earlier run: said on a terminal only,
  // as pipes and files keep the bytes they always had.
  if (outcome == WriteOutcome::replacedOlder) {
    report.counts.replacedOlder += 1;
    if (isTerminal(*report.diagnostics)) {
      beforeDiagnostic(report);
      endFailureRun(report);
      writeLine(*report.diagnostics, {{name}, {replacedOlderNote(report.language), TextKind::host}});
    }
  }
  return {};
}

void take(void* context, const ExtractedEntry& value) {
  // The command line says what became of each file, not of each sector.
  if (value.kind == ExtractedEntry::Kind::sectorStates) return;
  Report& report = *static_cast<Report*>(context);
  if (value.kind == ExtractedEntry::Kind::directoryIncomplete) {
    beforeDiagnostic(report);
    endFailureRun(report);
    const std::string side = std::to_string(value.side);
    writeLine(*report.diagnostics,
              {{messages::kSide},
               {side},
               {messages::kDirectoryIncomplete},
               {explained(report, messages::kDirectoryIncomplete, {}), TextKind::host}});
    return;
  }
  // Each file's listing line comes before the file is written.
  if (value.kind == ExtractedEntry::Kind::entry) writeListingLine(*report.listing, value.entry);
  const std::string_view refusal = writeEntry(report, value);
  if (refusal.empty()) return;
  report.allWritten = false;
  report.counts.refused += 1;
  if (refusal == messages::kWriteFailed) {
    reportWriteFailure(report, value);
  } else {
    writeAboutEntry(report, value, refusal);
  }
}

}  // namespace

ExtractionSink reportSink(Report& report) {
  return {take, &report};
}

void reportRecognised(Report& report) {
  writeLine(*report.listing,
            {{messages::kRecognised},
             {explained(report, *report.listing, messages::kRecognised, {}), TextKind::host}});
}

void reportLine(Report& report, std::string_view message, std::string_view reason) {
  beforeDiagnostic(report);
  writeLine(*report.diagnostics,
            {{message}, {explained(report, message, reason), TextKind::host}});
}

void reportSummary(Report& report, const ExtractionSummary& summary) {
  if (!isTerminal(*report.diagnostics)) return;
  beforeDiagnostic(report);
  endFailureRun(report);
  writeLine(*report.diagnostics, {{summaryLine(report.language, report.counts), TextKind::host}});
  if (readNoDirectory(summary)) {
    writeLine(*report.diagnostics, {{nothingExtracted(report.language), TextKind::host}});
  }
}

void reportOtherDisks(Report& report, int32_t diskCount) {
  if (diskCount < 2 || !isTerminal(*report.diagnostics)) return;
  beforeDiagnostic(report);
  writeLine(*report.diagnostics, {{otherDisks(report.language, diskCount), TextKind::host}});
}

}  // namespace d88
