#include "console/core/shell_command.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

extern char** environ;

namespace console {
namespace {

// Starts `program` with `-c command` and waits for it. Returns the spawn error, 0 on success.
int spawn_and_wait(const std::string& program, const std::string& command) {
  std::string dash_c = "-c";
  char* argv[] = {const_cast<char*>(program.c_str()), dash_c.data(),
                  const_cast<char*>(command.c_str()), nullptr};
  pid_t pid = 0;
  int err = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ);
  if (err != 0) return err;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return 0;
}

// sh in the first PATH folder that has an executable one. The current folder is not searched:
// a program that happens to sit in the data folder must not stand in for the interpreter.
std::string find_shell() {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
  while (true) {
    std::size_t colon = dirs.find(':');
    std::string dir(dirs.substr(0, colon));
    if (!dir.empty()) {
      if (dir.back() != '/') dir += '/';
      std::string candidate = dir + "sh";
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (colon == std::string_view::npos) return {};
    dirs.remove_prefix(colon + 1);
  }
}

}  // namespace

ShellStart run_shell_command(std::string_view command) {
  std::size_t end = command.find_last_not_of(' ');
  std::string line(end == std::string_view::npos ? std::string_view{} : command.substr(0, end + 1));

  if (const char* comspec = std::getenv("COMSPEC"); comspec != nullptr && *comspec != '\0') {
    int err = spawn_and_wait(comspec, line);
    if (err == 0) return ShellStart::Started;
    if (err != ENOENT && err != EACCES && err != ENOEXEC) return ShellStart::NotStarted;
  }
  std::string shell = find_shell();
  if (shell.empty()) return ShellStart::NotStarted;
  return spawn_and_wait(shell, line) == 0 ? ShellStart::Started : ShellStart::NotStarted;
}

}  // namespace console
