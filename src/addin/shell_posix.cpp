#include "addin/shell_posix.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace qv::addin {

void DesktopShell::Open(const std::string& url) {
  std::string program = "xdg-open";
  std::string argument = url;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0) {
    // xdg-open hands the address over and returns at once; reap it so no zombie stays behind.
    int status = 0;
    waitpid(pid, &status, 0);
  }
}

}  // namespace qv::addin
