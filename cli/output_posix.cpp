// The output on POSIX systems: a terminal gets what its locale's character
// set can show; a file or a pipe gets the bytes.
#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <clocale>
#include <string>

#include "output.h"
#include "terminal_text.h"

namespace d88 {

namespace {

// What the locale says a terminal shows.
StreamKind terminalKind() {
  static const StreamKind kind = [] {
    std::setlocale(LC_CTYPE, "");
    const std::string_view codeset = nl_langinfo(CODESET);
    if (codeset == "UTF-8") return StreamKind::terminalUtf8;
    for (std::string_view shiftJis : {"SHIFT_JIS", "SJIS", "CP932", "WINDOWS-31J"}) {
      if (strcasecmp(codeset.data(), shiftJis.data()) == 0) return StreamKind::terminalShiftJis;
    }
    return StreamKind::terminalAscii;
  }();
  return kind;
}

// The program's name is in the locale's character set; the rest is Shift_JIS.
std::string forTerminal(const OutputStream& stream, const TextPiece& piece) {
  switch (stream.kind) {
    case StreamKind::terminalUtf8:
      return piece.kind == TextKind::shiftJis ? terminalUtf8(piece.text)
                                              : terminalUtf8FromUtf8(piece.text);
    case StreamKind::terminalShiftJis: return terminalShiftJis(piece.text);
    default: return terminalAscii(piece.text);
  }
}

}  // namespace

OutputStream describeStream(std::FILE* file) {
  bool characterDevice = false;
  OutputStream stream{file, StreamKind::bytes, identityOfStream(file, characterDevice)};
  // Only a character device can be a terminal: files and pipes cost nothing more.
  if (characterDevice && isatty(fileno(file))) {
    stream.kind = terminalKind();
  }
  return stream;
}

void writeLine(OutputStream& stream, std::initializer_list<TextPiece> pieces) {
  for (const TextPiece& piece : pieces) {
    if (stream.kind == StreamKind::bytes) {
      std::fwrite(piece.text.data(), 1, piece.text.size(), stream.file);
    } else {
      const std::string shown = forTerminal(stream, piece);
      std::fwrite(shown.data(), 1, shown.size(), stream.file);
    }
  }
  std::fputc('\n', stream.file);
}

}  // namespace d88
