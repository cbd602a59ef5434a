// cli/: the command line: arguments, the report, messages and terminals.
//
// The report is the extraction's sink for the command line: it writes each
// file that may be written into the current folder, through the safe writes,
// and words a line for each entry (the listing line on standard output) and
// for everything else the extraction or the writes report (standard error).
#pragma once

#include "explanations.h"
#include "output.h"
#include "output_folder.h"
#include "volume_extraction.h"

namespace d88 {

struct Report {
  OutputStream* listing = nullptr;      // standard output
  OutputStream* diagnostics = nullptr;  // standard error
  OutputFolder* folder = nullptr;
  bool allWritten = true;  // no entry (nor IPLMUS) refused or failed
  // For a person at a terminal: reasons, runs of one failure, the summary.
  Language language = Language::english;
  RunCounts counts{};
  int runError = 0;  // the errno of the write failures being counted, or 0
  int32_t runLength = 0;
};

ExtractionSink reportSink(Report& report);

// The line that says the disk was recognised, on standard output.
void reportRecognised(Report& report);

// One diagnostic line that is a whole message, written after whatever the
// listing holds so far when both may go to the same place; on a terminal,
// the reason follows it in parentheses.
void reportLine(Report& report, std::string_view message, std::string_view reason = {});

// On a terminal, what the run came to; nothing elsewhere.
void reportSummary(Report& report, const ExtractionSummary& summary);

// On a terminal, that the image holds more disks than the one read.
void reportOtherDisks(Report& report, int32_t diskCount);

}  // namespace d88
