// Charts drawn on every core for a caller that takes them one by one, in order: files written
// or windows opened on the calling thread while the next charts are still being drawn.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace plots {

// The threads that draw: one per core, at least one.
inline unsigned drawing_threads() {
  return std::max(1u, std::thread::hardware_concurrency());
}

// Makes item i = make(i) for every i in [0, count) on `threads` threads, the calling one among
// them, and hands each to take(i, item) on the calling thread in the order of i. Besides the
// item in take's hands, at most two per thread are made or being made, so memory stays bounded.
// Once take returns false, no further item is made and none is handed over; returns whether every
// item was taken. The first item is made on the calling thread before the others start; then
// `make` runs on several threads at once, and must not throw. The threads started here have
// ended when this returns.
template <class Item, class Make, class Take>
bool make_in_order(std::size_t count, unsigned threads, Make make, Take take) {
  threads = std::max(1u, threads);
  const std::size_t window = 2 * std::size_t{threads};
  std::vector<std::optional<Item>> made(window);
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next_to_make = 0, next_to_take = 0;
  bool stopped = false;
  bool refused = false;

  // Under the lock: whether one more item may be made now.
  auto may_make = [&] {
    return !stopped && next_to_make < count && next_to_make < next_to_take + window;
  };
  // Under the lock, which it leaves held.
  auto make_next = [&](std::unique_lock<std::mutex>& lock) {
    const std::size_t i = next_to_make++;
    lock.unlock();
    Item item = make(i);
    lock.lock();
    made[i % window].emplace(std::move(item));
    changed.notify_all();
  };
  auto stop = [&] {
    std::lock_guard lock(mutex);
    stopped = true;
    changed.notify_all();
  };

  std::vector<std::thread> helpers;
  auto join = [&] {
    for (std::thread& t : helpers) t.join();
  };
  try {
    // The first item alone, before any other thread starts: what the libraries set up once on
    // first use (fontconfig's configuration, HarfBuzz's tables) is then set up for all.
    if (count > 0) {
      made[0].emplace(make(0));
      next_to_make = 1;
    }
    for (unsigned t = 1; t < threads && t < count; ++t) {
      try {
        helpers.emplace_back([&] {
          std::unique_lock lock(mutex);
          for (;;) {
            changed.wait(lock, [&] { return stopped || next_to_make >= count || may_make(); });
            if (stopped || next_to_make >= count) return;
            make_next(lock);
          }
        });
      } catch (const std::system_error&) {
        break;  // no more threads: the ones there are do the work
      }
    }
    std::unique_lock lock(mutex);
    while (next_to_take < count && !stopped) {
      std::optional<Item>& slot = made[next_to_take % window];
      if (slot) {
        Item item = std::move(*slot);
        slot.reset();
        const std::size_t i = next_to_take++;
        changed.notify_all();  // room for one more
        lock.unlock();
        const bool go_on = take(i, std::move(item));
        lock.lock();
        if (!go_on) {
          refused = stopped = true;
          changed.notify_all();
        }
      } else if (may_make()) {
        make_next(lock);
      } else {
        changed.wait(lock);
      }
    }
  } catch (...) {
    stop();
    join();
    throw;
  }
  stop();  // the helpers waiting for room
  join();
  return !refused;
}

}  // namespace plots
