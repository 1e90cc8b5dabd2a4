// Locks and waits that a pause never freezes.
//
// Pause (pause.h) stops the worker threads wherever they stand. A worker stopped while holding a
// lock that the GUI thread also takes (a window's DrawLock, the GUI mailbox, the line input, the
// status line, the menu state, the window table) would hang the windows until Resume, which the
// hung windows could no longer deliver. So every such lock is a SafeMutex: while a thread holds
// one, a stop request only marks the stop as owed, and the thread stops as soon as it has let go
// of its last one. A thread that waits for another (a console read, a message box's answer) waits
// on a SafeCondition, which holds no lock while it sleeps, so a pause stops it there at once.
//
// A thread blocked in the allocator or the C library's own locks is still stopped where it is;
// the GUI thread does not wait for those.
#pragma once

#include <semaphore.h>

#include <mutex>
#include <vector>

namespace console {

// While one lives the calling thread is not stopped by a pause; a stop asked for meanwhile is
// taken when the last one of the thread ends. Nests. Costs a thread-local counter, no system call.
class NoStop {
 public:
  NoStop();
  ~NoStop();
  NoStop(const NoStop&) = delete;
  NoStop& operator=(const NoStop&) = delete;
};

// A std::mutex whose holder is never stopped by a pause (BasicLockable and Lockable). A thread
// blocked while acquiring it counts as holding it; nothing holds one for long.
class SafeMutex {
 public:
  SafeMutex() = default;
  SafeMutex(const SafeMutex&) = delete;
  SafeMutex& operator=(const SafeMutex&) = delete;

  void lock();
  bool try_lock();
  void unlock();

 private:
  std::mutex mutex_;
};

// A counting wake-up call: post() from any thread (async-signal-safe), wait() blocks until a post
// it has not consumed yet. Interrupted waits go on waiting.
class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;

  void post();
  void wait();

 private:
  sem_t semaphore_;
};

// A condition variable over a SafeMutex whose waiters sleep without the lock, so a pause stops a
// waiting thread where it waits. notify_all() must be called with the mutex held.
class SafeCondition {
 public:
  // Called with `lock` held; returns with it held once `done()` is true.
  template <class Predicate>
  void wait(std::unique_lock<SafeMutex>& lock, Predicate done) {
    if (done()) return;
    Wakeup wakeup;
    waiters_.push_back(&wakeup);
    while (!done()) {
      lock.unlock();
      wakeup.wait();
      lock.lock();
    }
    std::erase(waiters_, &wakeup);
  }
  void notify_all();

 private:
  std::vector<Wakeup*> waiters_;  // under the mutex
};

namespace detail {
// For the stop signal's handler (pause.cpp): true, noting the stop as owed, while the calling
// thread may not stop.
bool defer_stop();
// Defined in pause.cpp: stops the calling thread if a pause is on, until it ends.
void stop_now_if_paused();
}  // namespace detail

}  // namespace console
