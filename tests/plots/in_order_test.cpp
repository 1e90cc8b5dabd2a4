#include "plots/in_order.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace plots {
namespace {

// Items made on several threads come to the calling thread in order, never more than two per
// thread made besides the one being taken, and none is made or handed over once the taker
// refuses one.
TEST(MakeInOrder, HandsItemsOverInOrderAndStopsWhenRefused) {
  struct Case {
    unsigned threads;
    std::size_t count;
    std::size_t refuse_at;  // count: never
  };
  const Case cases[] = {{1, 0, 0},   {1, 5, 5},    {2, 1, 1}, {3, 200, 200},
                        {8, 50, 50}, {4, 300, 10}, {2, 7, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.count << " items");
    std::atomic<int> outstanding{0}, most{0}, made{0};
    std::vector<std::size_t> taken;
    const std::thread::id caller = std::this_thread::get_id();
    const bool all = make_in_order<std::size_t>(
        c.count, c.threads,
        [&](std::size_t i) {
          ++made;
          const int now = ++outstanding;
          for (int m = most; now > m && !most.compare_exchange_weak(m, now);) {
          }
          // Later items are often ready first.
          std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 300));
          return i;
        },
        [&](std::size_t i, std::size_t item) {
          --outstanding;
          EXPECT_EQ(std::this_thread::get_id(), caller);
          EXPECT_EQ(item, i);
          taken.push_back(item);
          return i != c.refuse_at;
        });
    const std::size_t expected = std::min(c.count, c.refuse_at + 1);
    EXPECT_EQ(all, c.refuse_at >= c.count);
    ASSERT_EQ(taken.size(), expected);
    for (std::size_t i = 0; i < expected; ++i) EXPECT_EQ(taken[i], i);
    EXPECT_LE(most, int(2 * c.threads) + 1);
    EXPECT_LE(std::size_t(made), expected + 2 * c.threads);
  }
}

}  // namespace
}  // namespace plots
