// tavo: picks the console front end and runs the verification run in it.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "analysis/run_sequence.h"
#include "console/core/face.h"
#include "console/terminal/terminal.h"
#include "recio/report.h"

#ifdef TAVO_HAVE_WINDOW
#include "console/window/display.h"
#include "console/window/startup.h"
constexpr auto kDisplayOpens = console::window::display_opens;
#else
constexpr bool (*kDisplayOpens)(int, char**) = nullptr;
#endif

namespace {

// The editor stand-in sits next to tavo; it is found unless another notepad comes first.
void append_own_folder_to_path() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return;
  std::string folder(buf, static_cast<std::size_t>(n));
  folder.erase(folder.rfind('/'));
  const char* path = std::getenv("PATH");
  std::string value = path != nullptr && *path != '\0' ? std::string(path) + ":" + folder : folder;
  ::setenv("PATH", value.c_str(), 1);
}

// The program thread's code: the run-time's start-up, then the run.
void program() {
  recio::start_runtime();
  analysis::run_sequence();
}

}  // namespace

int main(int argc, char** argv) {
  append_own_folder_to_path();
  if (console::choose_face(kDisplayOpens, argc, argv) == console::Face::Terminal)
    return console::terminal::run(program, recio::run_exit_handler);
#ifdef TAVO_HAVE_WINDOW
  return console::window::run(argc, argv, program, recio::run_exit_handler);
#endif
}
