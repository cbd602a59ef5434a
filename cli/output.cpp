#include "output.h"

#include "terminal_text.h"

namespace d88 {

bool mayShareDestination(const OutputStream& a, const OutputStream& b) {
  return !a.identity.known || !b.identity.known || sameFile(a.identity, b.identity);
}

size_t shownWidth(const OutputStream& stream, std::string_view shiftJis) {
  switch (stream.kind) {
    case StreamKind::bytes: return shiftJis.size();
    case StreamKind::terminalAscii: return shownColumns(shiftJis, false);
    default: return shownColumns(shiftJis, true);
  }
}

bool finishStream(OutputStream& stream) {
  return std::fflush(stream.file) == 0 && std::ferror(stream.file) == 0 && !stream.failed;
}

}  // namespace d88
