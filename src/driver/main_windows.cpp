// The entry point on Windows: the arguments are taken from the wide command line and
// handed on as UTF-8, the console shows UTF-8, and a console window opened for this
// run alone (a double-click, or a save dropped onto the exe) stays open until the
// player has read it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/tool.h"

namespace {

std::string Utf8FromWide(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the terminating NUL
  return text;
}

// True when no other program shares the console: Explorer opened the window for this
// run, and it would close, unread, the moment the run ends. From a command prompt the
// prompt's own process shares it.
bool ConsoleIsOurOwn() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForEnter(bool usageWasPrinted) {
  if (usageWasPrinted) {
    std::puts("To map a save, drop its .xml file onto tlmaper.exe: the map (.bmp) and the");
    std::puts("page (.html) are written beside the save.");
  }
  std::fputs("Press Enter to close this window.", stdout);
  std::fflush(stdout);
  std::getchar();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8FromWide(argv[i]));
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());

  // The console's code page belongs to the window (a command prompt keeps it after the
  // run), so it is put back as it was.
  const UINT consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != 0) SetConsoleOutputCP(CP_UTF8);
  const int status = tlmaper::RunMapper(argc, pointers.data());
  if (ConsoleIsOurOwn()) WaitForEnter(status == tlmaper::ExitUsage);
  if (consoleCodePage != 0) SetConsoleOutputCP(consoleCodePage);
  return status;
}
