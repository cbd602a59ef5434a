#include "report.h"

#include <array>
#include <cstdio>
#include <string>

#include "messages.h"

namespace d88 {

namespace {

// "%-9s  START:%02x %02x    END:%02x %02x   SIZE:%04x": the name padded with
// spaces to nine bytes, a negative size as its 32-bit two's complement.
void writeListingLine(OutputStream& listing, const DirectoryEntry& entry) {
  std::array<char, 16> name;
  const int nameLength = std::snprintf(name.data(), name.size(), "%-9s", entry.name.data());
  std::array<char, 64> fields;
  const int fieldsLength = std::snprintf(
      fields.data(), fields.size(), "  START:%02x %02x    END:%02x %02x   SIZE:%04x",
      entry.startTrack, entry.startSector, entry.endTrack, entry.endSector,
      static_cast<uint32_t>(entryByteRange(entry).size));
  writeLine(listing, {{{name.data(), static_cast<size_t>(nameLength)}},
                      {{fields.data(), static_cast<size_t>(fieldsLength)}}});
}

// Keeps the lines of both streams in the order they were written when they
// lead to the same place; costs nothing when there is no diagnostic.
void beforeDiagnostic(Report& report) {
  if (mayShareDestination(*report.listing, *report.diagnostics)) {
    std::fflush(report.listing->file);
  }
}

// NAME + message, or 面S の項目K + message for an entry with an empty name.
void writeAboutEntry(Report& report, const ExtractionEvent& event, std::string_view message) {
  beforeDiagnostic(report);
  const std::string_view name = event.entry.name.data();
  if (!name.empty()) {
    writeLine(*report.diagnostics, {{name}, {message}});
    return;
  }
  const std::string side = std::to_string(event.side);
  const std::string index = std::to_string(event.index);
  writeLine(*report.diagnostics,
            {{messages::kSide}, {side}, {messages::kEntry}, {index}, {message}});
}

std::string_view refusal(EntryOutcome outcome) {
  switch (outcome) {
    case EntryOutcome::unsafeName: return messages::kUnsafeName;
    case EntryOutcome::outsideVolume: return messages::kOutsideVolume;
    case EntryOutcome::writeFailed: return messages::kWriteFailed;
    case EntryOutcome::inUse: return messages::kInUse;
    case EntryOutcome::written: break;
  }
  return {};
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

void reportOutcome(Report& report, const ExtractionEvent& event) {
  if (event.outcome != EntryOutcome::written) {
    report.allWritten = false;
    writeAboutEntry(report, event, refusal(event.outcome));
    return;
  }
  if (event.damage != SectorDamage::none) {
    writeAboutEntry(report, event, damageWarning(event.damage));
  }
  if (event.replacedEarlier) writeAboutEntry(report, event, messages::kReplacedEarlier);
}

}  // namespace

void reportEvent(Report& report, const ExtractionEvent& event) {
  switch (event.kind) {
    case ExtractionEvent::Kind::entryListed: writeListingLine(*report.listing, event.entry); break;
    case ExtractionEvent::Kind::entryDone:
    case ExtractionEvent::Kind::bootBlockDone: reportOutcome(report, event); break;
    case ExtractionEvent::Kind::directoryIncomplete: {
      beforeDiagnostic(report);
      const std::string side = std::to_string(event.side);
      writeLine(*report.diagnostics,
                {{messages::kSide}, {side}, {messages::kDirectoryIncomplete}});
      break;
    }
  }
}

void reportLine(Report& report, std::string_view message) {
  beforeDiagnostic(report);
  writeLine(*report.diagnostics, {{message}});
}

}  // namespace d88
