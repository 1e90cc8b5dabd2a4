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

#include "app/extras.h"
#include "app/options.h"
#include "app/study_command.h"
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
  std::optional<app::Command> command = app::parse_command_line(argc, argv, kVersion, status);
  if (!command) return status;
  // Qt sees no argument of ours: its own options are not supported (see the help's footer).
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  if (const auto* study = std::get_if<app::StudyOptions>(&*command)) {
    if (!study->show) return app::run_study(*study, kVersion);
    if (!app::has_result_windows() ||
        console::choose_front_end(qt_argc, qt_argv) != console::FrontEndKind::Window) {
      std::cerr << "tavo: --show needs the desktop window: "
                << (app::has_result_windows()
                        ? "no display could be opened, or TAVO_CONSOLE=terminal"
                        : "this tavo was built without its windows")
                << "\n";
      return app::kUsageStatus;
    }
    std::shared_ptr<const results::Results> shown;
    const int status = app::run_study(*study, kVersion, &shown);
    if (shown == nullptr) return status;
    return console::launch(
        console::FrontEndKind::Window, qt_argc, qt_argv,
        [shown, study] { app::show_results(shown, *study); }, [] {});
  }
  if (const auto* import = std::get_if<app::ImportOptions>(&*command))
    return app::run_import(*import);
  app::RunOptions run = std::get<app::RunOptions>(std::move(*command));
  if (!run.folder.empty() && ::chdir(run.folder.c_str()) != 0) {
    std::cerr << "tavo: cannot enter the folder " << run.folder << ": " << std::strerror(errno)
              << "\n";
    return app::kUsageStatus;
  }
  append_editor_folder_to_path();

  return console::launch(
      qt_argc, qt_argv, [run = std::move(run)] { app::run_program(run, kVersion); },
      recio::run_exit_handler);
}
