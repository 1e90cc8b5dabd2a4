#include "console/core/pause.h"

#include <errno.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "console/core/safe_lock.h"
#include "console/core/threads.h"

namespace console {
namespace {

// Shared with the signal handlers: lock-free atomics and a mask written once before the handlers
// are installed.
std::atomic<bool> g_suspended{false};
std::atomic<int> g_stopped{0};  // workers waiting in the handler
sigset_t g_all_signals;         // what a stopped worker blocks while it waits
sigset_t g_resume_set;          // the resume signal alone

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

// Stops the calling thread until the pause ends. The resume signal must be blocked on entry, so
// that one sent between the test and the wait stays pending and ends the wait at once.
//
// The wait takes the resume signal with sigwaitinfo, every signal blocked, so no handler runs
// inside this one. A handler nested in the stop signal's handler is what a sanitizer's runtime,
// which queues asynchronous signals and delivers them itself, does not survive: it left the
// thread with every signal blocked for good, so that the next pause could not stop it.
void wait_while_suspended() {
  sigset_t saved;
  pthread_sigmask(SIG_BLOCK, &g_all_signals, &saved);
  g_stopped.fetch_add(1, std::memory_order_acq_rel);
  while (g_suspended.load(std::memory_order_acquire)) sigwaitinfo(&g_resume_set, nullptr);
  g_stopped.fetch_sub(1, std::memory_order_acq_rel);
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

// The resume signal is blocked from the handler's start (its sa_mask). A thread holding a lock
// that the GUI thread takes stops later, when it lets go of it (safe_lock.h).
void on_suspend_signal(int) {
  const int saved_errno = errno;
  if (g_suspended.load(std::memory_order_acquire) && !detail::defer_stop()) wait_while_suspended();
  errno = saved_errno;
}

// A resume that finds the thread running (it had not taken the stop signal yet) does nothing.
void on_resume_signal(int) {}

void install_handlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    sigfillset(&g_all_signals);
    sigemptyset(&g_resume_set);
    sigaddset(&g_resume_set, resume_signal());
    struct sigaction resume {};
    resume.sa_handler = on_resume_signal;
    resume.sa_flags = SA_RESTART;
    sigemptyset(&resume.sa_mask);
    sigaction(resume_signal(), &resume, nullptr);
    struct sigaction suspend {};
    suspend.sa_handler = on_suspend_signal;
    suspend.sa_flags = SA_RESTART;
    sigemptyset(&suspend.sa_mask);
    sigaddset(&suspend.sa_mask, resume_signal());
    sigaction(suspend_signal(), &suspend, nullptr);
  });
}

// The pauser's side; never touched by a handler.
std::mutex g_control;
std::vector<pthread_t> g_signalled;  // the workers the current pause sent the stop signal
bool g_released = false;

}  // namespace

int suspend_signal() {
  return SIGRTMIN + 4;
}

int resume_signal() {
  return SIGRTMIN + 5;
}

void detail::stop_now_if_paused() {
  if (!g_suspended.load(std::memory_order_acquire)) return;
  // Both signals blocked: the stop signal of a later pause must not stop the thread a second
  // time inside this wait.
  sigset_t both, saved;
  sigemptyset(&both);
  sigaddset(&both, suspend_signal());
  sigaddset(&both, resume_signal());
  pthread_sigmask(SIG_BLOCK, &both, &saved);
  if (g_suspended.load(std::memory_order_acquire)) wait_while_suspended();
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

int signal_workers_to_stop() {
  std::lock_guard control(g_control);
  if (g_released || g_suspended.load()) return 0;
  install_handlers();
  g_suspended.store(true, std::memory_order_release);
  g_signalled.clear();
  const pthread_t self = pthread_self();
  for_each_live_worker([&](pthread_t worker) {
    if (pthread_equal(worker, self)) return;
    if (pthread_kill(worker, suspend_signal()) == 0) g_signalled.push_back(worker);
  });
  return static_cast<int>(g_signalled.size());
}

int wait_for_workers_to_stop(std::chrono::milliseconds limit) {
  int wanted;
  {
    std::lock_guard control(g_control);
    if (!g_suspended.load()) return 0;
    wanted = static_cast<int>(g_signalled.size());
  }
  const auto give_up = std::chrono::steady_clock::now() + limit;
  while (g_stopped.load(std::memory_order_acquire) < wanted &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return std::min(g_stopped.load(std::memory_order_acquire), wanted);
}

int suspend_workers(std::chrono::milliseconds limit) {
  if (signal_workers_to_stop() == 0) return 0;
  return wait_for_workers_to_stop(limit);
}

void resume_workers() {
  std::lock_guard control(g_control);
  if (!g_suspended.load()) return;
  g_suspended.store(false, std::memory_order_release);
  // Only the workers this pause signalled, and only while they live: a worker cannot end while
  // stopped, and one that has not yet taken the stop signal finds nothing to wait for.
  for_each_live_worker([&](pthread_t worker) {
    for (pthread_t signalled : g_signalled) {
      if (pthread_equal(worker, signalled)) {
        pthread_kill(worker, resume_signal());
        return;
      }
    }
  });
  g_signalled.clear();
}

bool workers_suspended() {
  return g_suspended.load();
}

void release_workers_for_exit() {
  {
    std::lock_guard control(g_control);
    g_released = true;
  }
  resume_workers();
}

ResumeStep resume_program(RunStatus& status) {
  const ResumeStep step = status.resume();
  if (step != ResumeStep::None && status.run_state() != RunState::Paused) resume_workers();
  return step;
}

}  // namespace console
