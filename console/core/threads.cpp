#include "console/core/threads.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace console {
namespace {

std::atomic<std::thread::id> g_gui_thread{};

std::mutex g_registration_mutex;
std::vector<pthread_t>& workers() {
  static std::vector<pthread_t> list;
  return list;
}

ThreadRecord register_thread() {
  if (!on_gui_thread()) {
    std::lock_guard lock(g_registration_mutex);
    workers().push_back(pthread_self());
  }
  return ThreadRecord{};
}

}  // namespace

void set_gui_thread() {
  g_gui_thread.store(std::this_thread::get_id());
}

bool on_gui_thread() {
  return g_gui_thread.load() == std::this_thread::get_id();
}

ThreadRecord& thread_record() {
  thread_local ThreadRecord record = register_thread();
  return record;
}

std::vector<pthread_t> worker_threads() {
  std::lock_guard lock(g_registration_mutex);
  return workers();
}

}  // namespace console
