#include "live/open_browser.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace tlmaper {

void OpenInBrowser(const std::string& url) {
  // The address is plain ASCII.
  const std::wstring wide(url.begin(), url.end());
  ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace tlmaper
