// extract-here.exe: the drop target on Windows. Explorer starts it with the
// paths of the images dropped on it as its arguments; each image is extracted
// into a folder named after it, beside it, with the same words as the command
// line, and the window stays open until a key is pressed. No command
// interpreter stands between the names and the program, so a name holding
// &, %, ^ or ! is only a name.
#include <windows.h>

#include <string>
#include <vector>

#include "host_file.h"
#include "image_run.h"

namespace {

using namespace d88;

enum class Word {
  howTo,
  image,
  noSuchFile,
  notAFile,
  cannotMakeFolder,
  done,
  nothing,
  some,
  pressAKey,
};

// {English, Japanese}; a %s is the path.
std::string_view wordOf(Word word, Language language) {
  static constexpr std::string_view kWords[][2] = {
      {"Drop one or more D88 disk images on extract-here.exe: each is extracted into a folder "
       "named after it, beside it.",
       "D88 イメージを extract-here.exe にドロップすると、イメージごとにその名前のフォルダーを横に"
       "作って書き出します。"},
      {"Image: %s", "イメージ：%s"},
      {"No such file: \"%s\"", "ファイルがありません：「%s」"},
      {"Not a file: \"%s\"", "ファイルではありません：「%s」"},
      {"Cannot make the folder \"%s\".", "フォルダー「%s」を作れません。"},
      {"Done: every file is in \"%s\".", "完了：すべてのファイルを「%s」に書き出しました。"},
      {"Nothing was extracted from this image; the message above says why.",
       "このイメージからは何も取り出せませんでした。理由は上のメッセージのとおりです。"},
      {"Some files could not be extracted; the messages above say which. The others are in "
       "\"%s\".",
       "書き出せなかったファイルがあります（上のメッセージのとおり）。ほかのファイルは「%s」"
       "にあります。"},
      {"Press any key to close this window.", "何かキーを押すと、このウィンドウを閉じます。"},
  };
  return kWords[static_cast<int>(word)][language == Language::japanese ? 1 : 0];
}

void say(OutputStream& out, Language language, Word word, const std::wstring& path = {}) {
  std::string text(wordOf(word, language));
  if (const size_t at = text.find("%s"); at != std::string::npos) {
    text.replace(at, 2, utf8FromWide(path.c_str()));
  }
  writeLine(out, {{text, TextKind::host}});
}

std::wstring fullPathOf(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  }
  full.resize(length < full.size() ? length : 0);
  return full.empty() ? path : full;
}

// game.d88 gives the folder "game"; an image without an extension,
// "game.files". Named as Windows stores a name, without the spaces and dots
// it drops from the end, so that what is said is the folder's true name.
std::wstring folderOf(const std::wstring& image) {
  const size_t name = image.find_last_of(L"\\/");
  const size_t start = name == std::wstring::npos ? 0 : name + 1;
  const size_t dot = image.find_last_of(L'.');
  const bool hasExtension = dot != std::wstring::npos && dot > start;
  std::wstring folder = hasExtension ? image.substr(0, dot) : image + L".files";
  while (folder.size() > start && (folder.back() == L' ' || folder.back() == L'.')) {
    folder.pop_back();
  }
  return folder.size() > start ? folder : folder + L"files";
}

// A folder of its own for the image, never one that is already there: the
// person's files, or another image's, are never mixed with this one's.
// "game", else "game (2)", "game (3)", ... as the page names them.
bool makeNewFolder(const std::wstring& base, std::wstring& folder) {
  for (int k = 1; k < 1000; ++k) {
    folder = k == 1 ? base : base + L" (" + std::to_wstring(k) + L")";
    if (CreateDirectoryW(folder.c_str(), nullptr) != 0) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

// One image into its folder; its status.
int extractInto(const std::wstring& given, OutputStream& listing, OutputStream& diagnostics,
                Language language) {
  const std::wstring image = fullPathOf(given);
  say(listing, language, Word::image, image);
  const DWORD attributes = GetFileAttributesW(image.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || attributes & FILE_ATTRIBUTE_DIRECTORY) {
    const Word why = attributes == INVALID_FILE_ATTRIBUTES ? Word::noSuchFile : Word::notAFile;
    say(listing, language, why, image);
    return 1;
  }
  std::wstring folder;
  if (!makeNewFolder(folderOf(image), folder) || !SetCurrentDirectoryW(folder.c_str())) {
    say(listing, language, Word::cannotMakeFolder, folder);
    return 1;
  }
  const int status = extractImage(utf8FromWide(image.c_str()).c_str(), false, listing,
                                  diagnostics, language);
  SetCurrentDirectoryW(L"\\");  // out of the folder, so that it can be removed
  // The folder made for an image that gave nothing goes again: RemoveDirectory
  // removes only an empty one.
  if (status != 0) RemoveDirectoryW(folder.c_str());
  if (status == 0) {
    say(listing, language, Word::done, folder);
  } else if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    say(listing, language, Word::nothing);
  } else {
    say(listing, language, Word::some, folder);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  OutputStream listing = describeStream(stdout);
  OutputStream diagnostics = describeStream(stderr);
  const bool showsJapanese = diagnostics.kind == StreamKind::console;
  const Language language = showsJapanese ? languageOfLocale() : Language::english;
  const std::vector<std::string> arguments = commandLine(argc, argv);
  // Each image is named as it came: a relative one from where we started.
  std::wstring started(MAX_PATH, L'\0');
  started.resize(GetCurrentDirectoryW(static_cast<DWORD>(started.size()), started.data()));
  int status = arguments.size() < 2 ? 1 : 0;
  if (arguments.size() < 2) say(listing, language, Word::howTo);
  for (size_t i = 1; i < arguments.size(); ++i) {
    SetCurrentDirectoryW(started.c_str());
    if (i > 1) writeLine(listing, {});
    if (extractInto(wideFromUtf8(arguments[i]), listing, diagnostics, language) != 0) status = 1;
  }
  // Started from Explorer, the console would close before it could be read.
  if (ownsItsConsole()) {
    writeLine(listing, {});
    say(listing, language, Word::pressAKey);
    std::fflush(stdout);
    waitForAKey();
  }
  return status;
}
