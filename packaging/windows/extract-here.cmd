@echo off
rem Drop a D88 disk image on this file: its files are extracted into a folder
rem named after the image, beside it, and the listing is shown.
setlocal
if "%~1"=="" (
  echo Drop a D88 disk image on extract-here.cmd, or run: extract-here.cmd IMAGE.d88
  pause
  exit /b 1
)
if not exist "%~f1" (
  echo No such file: "%~f1"
  pause
  exit /b 1
)
rem game.d88 gives the folder "game"; an image without an extension, "game.files".
set "folder=%~dpn1"
if "%~x1"=="" set "folder=%~dpn1.files"
if not exist "%folder%\" mkdir "%folder%"
if not exist "%folder%\" (
  echo Cannot make the folder "%folder%".
  pause
  exit /b 1
)
pushd "%folder%"
"%~dp0d88extract.exe" "%~f1"
set "status=%errorlevel%"
popd
echo.
echo The files are in "%folder%". Exit status: %status%
pause
exit /b %status%
