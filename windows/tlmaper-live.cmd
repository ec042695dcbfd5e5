@echo off
rem Drop a save (.xml) onto this file: it maps the save, opens the map in your browser
rem and updates it each time the game saves, until this window is closed.
if "%~1"=="" (
  echo To follow a save live, drop its .xml file onto tlmaper-live.cmd.
  pause
  exit /b 2
)
"%~dp0tlmaper.exe" --live "%~1"
if errorlevel 1 pause
