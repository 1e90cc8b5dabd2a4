#include "console/core/threads.h"

#include <signal.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace console {
namespace {

std::atomic<std::thread::id> g_gui_thread{};

struct Worker {
  pthread_t thread;
  bool ended = false;
};

std::mutex g_registration_mutex;
std::vector<Worker>& workers() {
  static std::vector<Worker> list;
  return list;
}

// Holds the registration lock with every asynchronous signal blocked on the calling thread: a
// worker stopped by a pause while holding the lock would keep the resume from taking it.
class RegistrationLock {
 public:
  enum class OnRelease { RestoreSignals, KeepSignalsBlocked };

  explicit RegistrationLock(OnRelease on_release = OnRelease::RestoreSignals)
      : on_release_(on_release) {
    sigset_t all;
    sigfillset(&all);
    for (int fault : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP}) sigdelset(&all, fault);
    pthread_sigmask(SIG_BLOCK, &all, &saved_);
    g_registration_mutex.lock();
  }
  ~RegistrationLock() {
    g_registration_mutex.unlock();
    if (on_release_ == OnRelease::RestoreSignals) pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  RegistrationLock(const RegistrationLock&) = delete;
  RegistrationLock& operator=(const RegistrationLock&) = delete;

 private:
  OnRelease on_release_;
  sigset_t saved_;
};

// Lists a worker thread for as long as it lives; its end is noted, so that it is never signalled
// after it has gone.
class Registration {
 public:
  Registration() : listed_(!on_gui_thread()) {
    if (!listed_) return;
    RegistrationLock lock;
    // An ended thread's id may come back for a new thread: its entry is taken over.
    for (Worker& w : workers()) {
      if (w.ended && pthread_equal(w.thread, pthread_self())) {
        w.ended = false;
        return;
      }
    }
    workers().push_back({pthread_self()});
  }
  // The signals stay blocked to the thread's end: a stop signal still pending would otherwise
  // stop a thread that no resume reaches any more.
  ~Registration() {
    if (!listed_) return;
    RegistrationLock lock(RegistrationLock::OnRelease::KeepSignalsBlocked);
    for (Worker& w : workers())
      if (!w.ended && pthread_equal(w.thread, pthread_self())) w.ended = true;
  }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

 private:
  bool listed_;
};

}  // namespace

void set_gui_thread() {
  g_gui_thread.store(std::this_thread::get_id());
}

bool on_gui_thread() {
  return g_gui_thread.load() == std::this_thread::get_id();
}

ThreadRecord& thread_record() {
  thread_local Registration registration;
  thread_local ThreadRecord record;
  return record;
}

std::vector<pthread_t> worker_threads() {
  RegistrationLock lock;
  std::vector<pthread_t> list;
  list.reserve(workers().size());
  for (const Worker& w : workers()) list.push_back(w.thread);
  return list;
}

void for_each_live_worker(const std::function<void(pthread_t)>& f) {
  RegistrationLock lock;
  for (const Worker& w : workers())
    if (!w.ended) f(w.thread);
}

}  // namespace console
