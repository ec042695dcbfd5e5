// Opening a web address in the player's default browser.
#pragma once

#include <string>

namespace tlmaper {

// Asks the desktop to open `url` (xdg-open on Linux, the shell on Windows) and does not
// wait for the browser. Where no browser is known nothing happens, silently.
void OpenInBrowser(const std::string& url);

}  // namespace tlmaper
