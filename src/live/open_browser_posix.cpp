#include "live/open_browser.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace tlmaper {

extern "C" char** environ;

void OpenInBrowser(const std::string& url) {
  // xdg-open's own complaints (no browser found) stay out of the tool's output; the
  // served address is printed anyway. The signals the tool holds back are the
  // browser's again.
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  char program[] = "xdg-open";
  std::string address = url;
  char* arguments[] = {program, address.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, &files, &attributes, arguments, environ) == 0) {
    // xdg-open hands the address on and ends; a browser it starts itself is not waited
    // for, and is reaped by whoever inherits it.
    signal(SIGCHLD, SIG_IGN);
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
}

}  // namespace tlmaper
