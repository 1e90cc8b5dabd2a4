#include "console/window/startup.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QMenuBar>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "console/core/console.h"
#include "console/core/profile.h"
#include "console/core/program_end.h"
#include "console/core/threads.h"
#include "console/window/frame.h"
#include "console/window/window_front_end.h"

namespace console::window {
namespace {

FrameWindow* g_frame = nullptr;  // GUI thread only

// Registered as the library's exit callback: takes the menus off the frame.
void remove_menus() {
  if (g_frame != nullptr && on_gui_thread()) g_frame->menuBar()->clear();
}

// One step below the normal priority, so that the windows stay responsive while it computes.
void lower_priority() {
  const pid_t tid = ::gettid();
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno == 0) ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice + 1);
}

void program_thread(const ProgramBody& program, TerminationHook termination) {
  lower_priority();
  thread_record();
  program();
  if (termination != nullptr) termination();
  process_console().finish_run();
  end_of_program(0);
}

}  // namespace

int run(int& argc, char** argv, ProgramBody program, TerminationHook termination) {
  Console& console = process_console();
  std::string name = read_application_name();

  std::unique_ptr<QApplication> own_app;
  if (QApplication::instance() == nullptr) own_app = std::make_unique<QApplication>(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  // The front end outlives everything: threads that still hold it when the process ends must
  // find it there.
  set_gui_thread();
  auto* front = new WindowFrontEnd(console);
  install_front_end(front);
  if (!console.begin_initialisation(std::move(name))) return 0;

  auto frame = std::make_unique<FrameWindow>(console);
  g_frame = frame.get();
  front->attach(frame.get());
  QObject::connect(frame.get(), &FrameWindow::closing, [] { QCoreApplication::exit(0); });
  if (profile_int(profile_path(), console.application_name(), "PKITMaximized", 0) != 0) {
    frame->showMaximized();
  } else {
    frame->show();
  }
  console.set_run_state(0);

  console.exit_callbacks().add(remove_menus);
  console.windows().clear();
  thread_record();
  frame->install_menu_bar(FrameWindow::Bar::Minimal);
  console.complete_initialisation(kFrameHandle);
  set_exit_mode(static_cast<int>(ExitMode::Prompt));

  std::thread worker(program_thread, std::move(program), termination);
  const int quit_code = QApplication::exec();

  // A loop that ended without the frame closing (the session ending) counts as a close.
  if (front->ender() == ProcessEnder::None) frame->close();
  const bool program_ends_process = front->ender() == ProcessEnder::Program;
  if (program_ends_process) worker.join();
  if (termination != nullptr) termination();

  front->detach();
  g_frame = nullptr;
  frame.reset();
  if (!program_ends_process) {
    // The program thread is still in its code; end the process around it. The run was cut
    // short, so the status says so, as for the close command on a terminal (128 + SIGHUP).
    std::fflush(nullptr);
    std::_Exit(kClosedWhileRunningStatus);
  }
  own_app.reset();
  return quit_code;
}

}  // namespace console::window
