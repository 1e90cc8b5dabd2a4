#include "console/core/safe_lock.h"

#include <errno.h>
#include <signal.h>

#include <atomic>

namespace console {
namespace {

// Read by the stop signal's handler on the same thread: plain flags of the thread, ordered
// against the handler with signal fences. Initial-exec, so that the handler never allocates them.
[[gnu::tls_model("initial-exec")]] thread_local volatile sig_atomic_t t_no_stop_depth = 0;
[[gnu::tls_model("initial-exec")]] thread_local volatile sig_atomic_t t_stop_owed = 0;

void enter_no_stop() {
  t_no_stop_depth = t_no_stop_depth + 1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

void leave_no_stop() {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  t_no_stop_depth = t_no_stop_depth - 1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (t_no_stop_depth == 0 && t_stop_owed != 0) {
    t_stop_owed = 0;
    detail::stop_now_if_paused();
  }
}

}  // namespace

bool detail::defer_stop() {
  if (t_no_stop_depth == 0) return false;
  t_stop_owed = 1;
  return true;
}

NoStop::NoStop() {
  enter_no_stop();
}

NoStop::~NoStop() {
  leave_no_stop();
}

void SafeMutex::lock() {
  enter_no_stop();
  mutex_.lock();
}

bool SafeMutex::try_lock() {
  enter_no_stop();
  if (mutex_.try_lock()) return true;
  leave_no_stop();
  return false;
}

void SafeMutex::unlock() {
  mutex_.unlock();
  leave_no_stop();
}

Wakeup::Wakeup() {
  sem_init(&semaphore_, 0, 0);
}

Wakeup::~Wakeup() {
  sem_destroy(&semaphore_);
}

void Wakeup::post() {
  sem_post(&semaphore_);
}

void Wakeup::wait() {
  // A signal (the pause's among them) ends sem_wait early whatever SA_RESTART says.
  while (sem_wait(&semaphore_) != 0 && errno == EINTR) {
  }
}

void SafeCondition::notify_all() {
  for (Wakeup* waiter : waiters_) waiter->post();
}

}  // namespace console
