// cli/: the command line: arguments, the report, messages and terminals.
//
// The report is the extraction's sink for the command line: it writes each
// file that may be written into the current folder, through the safe writes,
// and words a line for each entry (the listing line on standard output) and
// for everything else the extraction or the writes report (standard error).
#pragma once

#include "output.h"
#include "output_folder.h"
#include "volume_extraction.h"

namespace d88 {

struct Report {
  OutputStream* listing = nullptr;      // standard output
  OutputStream* diagnostics = nullptr;  // standard error
  OutputFolder* folder = nullptr;
  bool allWritten = true;  // no entry (nor IPLMUS) refused or failed
};

ExtractionSink reportSink(Report& report);

// One diagnostic line that is a whole message, written after whatever the
// listing holds so far when both may go to the same place.
void reportLine(Report& report, std::string_view message);

}  // namespace d88
