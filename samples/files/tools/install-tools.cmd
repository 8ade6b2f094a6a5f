@echo off
rem Installs the sample tools: a settings file, the notes beside it and the
rem suite's readme, which the document component then opens.
setlocal
set "product=%ProgramFiles%\Quorvane Sample"
set "target=%product%\Tools"
if not exist "%target%" mkdir "%target%"
if not exist "%target%" exit /b 1
copy /y "%~dp0quorvane-notes.txt" "%target%\quorvane-notes.txt" >nul
if errorlevel 1 exit /b 2
copy /y "%~dp0readme.rtf" "%product%\readme.rtf" >nul
if errorlevel 1 exit /b 3
echo [Quorvane Tools]> "%target%\tools.ini"
echo Version=1.0.0>> "%target%\tools.ini"
echo Source=%~dp0>> "%target%\tools.ini"
if not exist "%target%\tools.ini" exit /b 4
exit /b 0
