#include "tools/notepad/terminal_editor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace notepad {
namespace {

bool set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != '\0';
}

bool on_path(std::string_view program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string_view dirs = path;
  while (!dirs.empty()) {
    std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate.append("/").append(program);
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

}  // namespace

std::string terminal_editor_command() {
  for (const char* variable : {"VISUAL", "EDITOR"}) {
    if (set(variable)) return std::getenv(variable);
  }
  for (const char* editor : {"sensible-editor", "editor", "nano", "vi"}) {
    if (on_path(editor)) return editor;
  }
  return {};
}

int edit_in_terminal(const std::string& file) {
  if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) return 0;
  const std::string editor = terminal_editor_command();
  if (editor.empty()) {
    static constexpr std::string_view kNone = "notepad: no editor found (set VISUAL or EDITOR)\n";
    [[maybe_unused]] auto n = ::write(STDERR_FILENO, kNone.data(), kNone.size());
    return 1;
  }
  // The editor variable may carry arguments, so the shell splits it; the file name is passed as
  // a positional parameter and never parsed.
  const std::string script = editor + " \"$1\"";
  const std::string argument = file.starts_with('-') ? "./" + file : file;  // not an option
  pid_t child = ::fork();
  if (child < 0) return 1;
  if (child == 0) {
    ::execl("/bin/sh", "sh", "-c", script.c_str(), "sh", argument.c_str(),
            static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace notepad
