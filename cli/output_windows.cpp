// The output on Windows: a console gets characters through WriteConsoleW,
// whatever its code page; a redirected stream gets the bytes, with CR LF.
#include <io.h>
#include <windows.h>

#include <string>

#include "output.h"
#include "terminal_text.h"

namespace d88 {

namespace {

HANDLE handleOf(std::FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// The program's name as a redirected stream always had it: in the ANSI code page.
std::string ansiFromUtf8(std::string_view text) {
  const std::wstring wide = wideFromUtf8(text);
  std::string ansi(wide.size() * 2, '\0');
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                          static_cast<int>(ansi.size()), nullptr, nullptr);
  ansi.resize(static_cast<size_t>(length > 0 ? length : 0));
  return ansi;
}

void writeConsole(OutputStream& stream, std::wstring_view text) {
  DWORD written = 0;
  if (!WriteConsoleW(handleOf(stream.file), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr)) {
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

}  // namespace d88
