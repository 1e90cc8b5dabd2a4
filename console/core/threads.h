// Per-thread records and the list of worker threads (every thread other than the GUI thread
// that has called into the library), whose members a pause suspends.
#pragma once

#include <pthread.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace console {

// Eight 32-bit words per thread; the first is the id of the thread's current window, the second
// that of its default console window (0 until one is opened).
struct ThreadRecord {
  std::array<std::int32_t, 8> words{1024, 0, 0, 0, 0, 0, 0, 0};

  std::int32_t current_window() const { return words[0]; }
  void set_current_window(std::int32_t id) { words[0] = id; }
  std::int32_t default_window() const { return words[1]; }
  void set_default_window(std::int32_t id) { words[1] = id; }
};

// Remembers the calling thread as the GUI thread (at start-up, before any other thread calls in).
void set_gui_thread();
bool on_gui_thread();

// The calling thread's record, created the first time the thread calls into the library; a
// thread other than the GUI thread is then appended to the worker list.
ThreadRecord& thread_record();

// A snapshot of the worker list, in the order the threads first called in. The list never
// shrinks (an ended thread stays listed, until a new thread gets its id and takes its place).
std::vector<pthread_t> worker_threads();

// Calls `f` for every listed worker that has not ended, under the registration lock. A worker
// cannot end while `f` runs (its exit waits for the lock), so `f` may signal it. `f` must not
// call into the library. Asynchronous signals are held off on a worker while it holds the lock,
// so no worker is ever stopped in the middle of registering or ending.
void for_each_live_worker(const std::function<void(pthread_t)>& f);

}  // namespace console
