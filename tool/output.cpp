#include "output.h"

#include <string>

#include "terminal_text.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <langinfo.h>
#include <unistd.h>

#include <strings.h>

#include <clocale>
#endif

namespace d88 {

#ifdef _WIN32

namespace {

HANDLE handleOf(std::FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// The program's name as a redirected stream always had it: in the ANSI code page.
std::string ansiFromUtf8(std::string_view text) {
  const std::wstring wide = wideFromUtf8(text);
  std::string ansi(wide.size() * 2, '\0');
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         ansi.data(), static_cast<int>(ansi.size()), nullptr,
                                         nullptr);
  ansi.resize(static_cast<size_t>(length > 0 ? length : 0));
  return ansi;
}

void writeConsole(OutputStream& stream, std::wstring_view text) {
  DWORD written = 0;
  if (!WriteConsoleW(handleOf(stream.file), text.data(), static_cast<DWORD>(text.size()),
                     &written, nullptr)) {
    stream.failed = true;
  }
}

}  // namespace

OutputStream describeStream(std::FILE* file) {
  bool characterDevice = false;
  OutputStream stream{file, StreamKind::bytes, identityOfStream(file, characterDevice)};
  DWORD mode = 0;
  if (characterDevice && GetConsoleMode(handleOf(file), &mode)) stream.kind = StreamKind::console;
  return stream;
}

void writeLine(OutputStream& stream, std::initializer_list<TextPiece> pieces) {
  if (stream.kind == StreamKind::console) {
    for (const TextPiece& piece : pieces) {
      const std::u16string text = piece.kind == TextKind::host ? terminalUtf16FromUtf8(piece.text)
                                                               : terminalUtf16(piece.text);
      writeConsole(stream, {reinterpret_cast<const wchar_t*>(text.data()), text.size()});
    }
    writeConsole(stream, L"\r\n");
    return;
  }
  for (const TextPiece& piece : pieces) {
    const std::string host = piece.kind == TextKind::host ? ansiFromUtf8(piece.text) : "";
    const std::string_view text = piece.kind == TextKind::host ? host : piece.text;
    std::fwrite(text.data(), 1, text.size(), stream.file);
  }
  std::fputc('\n', stream.file);  // a text stream: CR LF
}

#else

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

#endif

bool mayShareDestination(const OutputStream& a, const OutputStream& b) {
  return !a.identity.known || !b.identity.known || sameFile(a.identity, b.identity);
}

bool finishStream(OutputStream& stream) {
  return std::fflush(stream.file) == 0 && std::ferror(stream.file) == 0 && !stream.failed;
}

}  // namespace d88
