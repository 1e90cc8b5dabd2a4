#include "recio/process_end.h"

#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "console/core/pause.h"
#include "console/core/program_end.h"
#include "recio/run_time_error.h"
#include "recio/units.h"

namespace recio {
namespace {

// Set on a thread that gave up waiting for the I/O section: it then goes on without it.
thread_local bool t_without_section = false;

std::atomic<bool> g_exit_handler_entered{false};

// Diagnostic dump on request: FOR_DUMP_TRACE prints a stack trace of the failing thread,
// FOR_DUMP_CORE leaves a core image from a forked copy of the process (the run goes on ending).
void dump_if_requested() {
  auto yes = [](const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && (v[0] == 'Y' || v[0] == 'y');
  };
  if (yes("FOR_DUMP_TRACE")) {
    void* frames[64];
    int n = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, n, STDERR_FILENO);
  }
  if (yes("FOR_DUMP_CORE")) {
    pid_t child = ::fork();
    if (child == 0) {
      ::signal(SIGABRT, SIG_DFL);
      std::abort();
    }
  }
}

}  // namespace

bool wait_for_section() {
  constexpr auto kStatementGrace = std::chrono::seconds(1);
  console::release_workers_for_exit();
  if (t_without_section) return false;
  const auto give_up = std::chrono::steady_clock::now() + kStatementGrace;
  do {
    if (io_section().try_lock()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (std::chrono::steady_clock::now() < give_up);
  t_without_section = true;
  return false;
}

InSection::InSection() : held_(!t_without_section) {
  if (held_) io_section().lock();
}

InSection::~InSection() {
  if (held_) io_section().unlock();
}

void run_exit_handler() {
  if (g_exit_handler_entered.exchange(true)) return;
  const bool in_section = wait_for_section();
  // No trap counting is enabled (every floating-point exception stays masked), so there are no
  // trap counts to report.
  UnitTable::instance().close_all([](Status s, const Unit* failed) {
    show_status(s, failed);
    if (is_severe(s)) std::_Exit(exit_status(s));
  });
  if (in_section) io_section().unlock();
}

void terminate_severe(Status status) {
  run_exit_handler();
  dump_if_requested();
  console::end_of_program(1);
  std::_Exit(exit_status(status));
}

}  // namespace recio
