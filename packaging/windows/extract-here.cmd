@echo off
rem Drop a D88 disk image on this file: its files are extracted into a folder
rem named after the image, beside it, and the listing is shown. Its Japanese
rem lines are Shift_JIS (code page 932), as cmd reads a batch file on Japanese
rem Windows; elsewhere the English line above each says the same.
setlocal
if "%~1"=="" (
  echo Drop a D88 disk image on extract-here.cmd, or run: extract-here.cmd IMAGE.d88
  echo D88 イメージを extract-here.cmd にドロップするか、extract-here.cmd IMAGE.d88 と実行してください.
  pause
  exit /b 1
)
rem The full path now, before the folder changes: a relative one works too.
set "image=%~f1"
if not exist "%image%" (
  echo No such file: "%image%"
  echo ファイルがありません: "%image%"
  pause
  exit /b 1
)
rem game.d88 gives the folder "game"; an image without an extension, "game.files".
set "folder=%~dpn1"
if "%~x1"=="" set "folder=%~dpn1.files"
set "made="
if not exist "%folder%\" (
  mkdir "%folder%"
  set "made=yes"
)
if not exist "%folder%\" (
  echo Cannot make the folder "%folder%".
  echo フォルダー "%folder%" を作れません.
  pause
  exit /b 1
)
pushd "%folder%"
"%~dp0d88extract.exe" "%image%"
set "status=%errorlevel%"
popd
echo.
rem A folder made for an image that gave nothing is removed again: rmdir
rem removes only an empty one.
set "empty="
if not "%status%"=="0" if defined made rmdir "%folder%" 2>nul
if not exist "%folder%\" set "empty=yes"
if "%status%"=="0" (
  echo Done: every file is in "%folder%".
  echo 完了: すべてのファイルを "%folder%" に書き出しました.
) else if defined empty (
  echo Nothing was extracted from this image; the message above says why.
  echo このイメージからは何も取り出せませんでした. 理由は上のメッセージのとおりです.
) else (
  echo Some files could not be extracted; the messages above say which. The others are in "%folder%".
  echo 書き出せなかったファイルがあります ^(上のメッセージのとおり^). ほかのファイルは "%folder%" にあります.
)
pause
exit /b %status%
