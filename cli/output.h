// The one way out for text: every line the program writes goes through here.
// A stream that leads to a file or a pipe gets the bytes exactly as they are
// (Shift_JIS, and CR LF on Windows); a terminal gets characters it can show.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "host_file.h"

namespace d88 {

enum class StreamKind : uint8_t {
  bytes,             // a file, a pipe, a device: bytes as they are
  terminalAscii,     // a terminal whose character set is neither UTF-8 nor Shift_JIS
  terminalShiftJis,  // a terminal whose locale's character set is Shift_JIS
  terminalUtf8,      // a UTF-8 terminal
  console,           // a Windows console
};

struct OutputStream {
  std::FILE* file = nullptr;
  StreamKind kind = StreamKind::bytes;
  FileIdentity identity;
  bool failed = false;  // a console write failed; stdio keeps its own error flag
};

// Looks once at what the stream leads to. A stream that is no terminal costs
// one fstat and nothing more.
OutputStream describeStream(std::FILE* file);

// Text is Shift_JIS (messages, names, the listing) or the host's own (the
// program's name as invoked: bytes in the locale's encoding on POSIX hosts,
// UTF-8 on Windows).
enum class TextKind : uint8_t { shiftJis, host };

struct TextPiece {
  std::string_view text;
  TextKind kind = TextKind::shiftJis;
};

// Writes the pieces, each converted on its own, and a line end.
void writeLine(OutputStream& stream, std::initializer_list<TextPiece> pieces);

// The columns Shift_JIS text takes where the stream leads: its bytes in a
// file or a pipe, what the terminal shows of it there.
size_t shownWidth(const OutputStream& stream, std::string_view shiftJis);

// Whether two streams may lead to the same place (2>&1): then the first must
// be flushed before the second is written, to keep the lines in order.
bool mayShareDestination(const OutputStream& a, const OutputStream& b);

// Whether a person reads the stream: a terminal or a console.
inline bool isTerminal(const OutputStream& stream) {
  return stream.kind != StreamKind::bytes;
}

// Flushes the stream; true if everything written to it arrived.
bool finishStream(OutputStream& stream);

}  // namespace d88
