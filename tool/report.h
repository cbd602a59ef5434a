// The program's words: the listing line of each directory entry and a line on
// standard error for everything else the extraction reports, all written
// through the output layer.
#pragma once

#include "extraction_events.h"
#include "output.h"

namespace d88 {

struct Report {
  OutputStream* listing = nullptr;      // standard output
  OutputStream* diagnostics = nullptr;  // standard error
  bool allWritten = true;               // no entry (nor IPLMUS) refused or failed
};

void reportEvent(Report& report, const ExtractionEvent& event);

// One diagnostic line that is a whole message, written after whatever the
// listing holds so far when both may go to the same place.
void reportLine(Report& report, std::string_view message);

}  // namespace d88
