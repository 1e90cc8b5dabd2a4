// tavo: reads its command line, picks the console front end and runs the verification run in
// it, then writes the extras the command line asks for.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <utility>

#include "analysis/pipeline.h"
#include "app/extras.h"
#include "app/options.h"
#include "console/launch/launch.h"
#include "recio/process_end.h"

namespace {

constexpr char kVersion[] = TAVO_VERSION;

// The editor stand-in is found through PATH, appended at its end so that another notepad
// earlier on PATH wins (the tests put a stub there). Installed, it lives in a private folder
// (TAVO_LIBEXEC_FROM_BIN, relative to tavo's own), so that installing tavo puts no command
// named notepad on the user's PATH; in the build tree it sits next to tavo.
void append_editor_folder_to_path() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return;
  std::string folder(buf, static_cast<std::size_t>(n));
  folder.erase(folder.rfind('/'));
  const std::string installed = folder + "/" + TAVO_LIBEXEC_FROM_BIN;
  if (::access((installed + "/notepad").c_str(), X_OK) == 0) folder = installed;
  const char* path = std::getenv("PATH");
  std::string value = path != nullptr && *path != '\0' ? std::string(path) + ":" + folder : folder;
  ::setenv("PATH", value.c_str(), 1);
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  std::optional<app::Options> options = app::parse_command_line(argc, argv, kVersion, status);
  if (!options) return status;
  if (options->pipeline) analysis::set_pipeline(*options->pipeline);
  if (!options->folder.empty() && ::chdir(options->folder.c_str()) != 0) {
    std::cerr << "tavo: cannot enter the folder " << options->folder << ": " << std::strerror(errno)
              << "\n";
    return app::kUsageStatus;
  }
  append_editor_folder_to_path();

  // Qt sees no argument of ours: its own options are not supported (see the help's footer).
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  return console::launch(
      qt_argc, qt_argv, [options = std::move(*options)] { app::run_program(options, kVersion); },
      recio::run_exit_handler);
}
