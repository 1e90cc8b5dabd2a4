// Pause and Resume with real threads: registered workers stop where they stand and go on again.
#include "console/core/pause.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "console/core/safe_lock.h"
#include "console/core/threads.h"

namespace console {
namespace {

using namespace std::chrono_literals;

// Waits up to two seconds for `done`.
template <class Predicate>
bool eventually(Predicate done) {
  const auto give_up = std::chrono::steady_clock::now() + 2s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// A worker that counts until told to stop.
class Counter {
 public:
  Counter()
      : thread_([this] {
          thread_record();
          registered_ = true;
          while (!stop_) {
            count_.fetch_add(1);
            std::this_thread::sleep_for(50us);
          }
        }) {
    EXPECT_TRUE(eventually([&] { return registered_.load(); }));
  }
  ~Counter() {
    stop_ = true;
    thread_.join();
  }
  long count() const { return count_.load(); }

 private:
  std::atomic<bool> registered_{false};
  std::atomic<bool> stop_{false};
  std::atomic<long> count_{0};
  std::thread thread_;
};

class PauseTest : public ::testing::Test {
 protected:
  void SetUp() override { set_gui_thread(); }
  void TearDown() override { resume_workers(); }
};

TEST_F(PauseTest, CountingStopsWhilePausedAndGoesOn) {
  Counter counter;
  ASSERT_TRUE(eventually([&] { return counter.count() > 10; }));
  EXPECT_GE(suspend_workers(), 1);
  EXPECT_TRUE(workers_suspended());
  const long stopped_at = counter.count();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(counter.count(), stopped_at);
  EXPECT_EQ(suspend_workers(), 0);  // already stopped

  resume_workers();
  EXPECT_FALSE(workers_suspended());
  EXPECT_TRUE(eventually([&] { return counter.count() > stopped_at + 10; }));
  // And once more.
  suspend_workers();
  const long again = counter.count();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(counter.count(), again);
  resume_workers();
  EXPECT_TRUE(eventually([&] { return counter.count() > again; }));
}

TEST_F(PauseTest, AWaitNotifiedWhilePausedCompletesAfterResume) {
  std::mutex mutex;
  std::condition_variable cv;
  bool ready = false;
  std::atomic<bool> waiting{false};
  std::atomic<bool> woke{false};
  std::thread worker([&] {
    thread_record();
    std::unique_lock lock(mutex);
    waiting = true;
    cv.wait(lock, [&] { return ready; });
    woke = true;
  });
  ASSERT_TRUE(eventually([&] { return waiting.load(); }));
  {
    // Past the point where the worker has released the mutex inside its wait.
    std::lock_guard lock(mutex);
  }
  EXPECT_GE(suspend_workers(), 1);
  {
    std::lock_guard lock(mutex);
    ready = true;
  }
  cv.notify_all();
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(woke.load());
  resume_workers();
  EXPECT_TRUE(eventually([&] { return woke.load(); }));
  worker.join();
}

TEST_F(PauseTest, AWorkerIsNeverStoppedHoldingASafeMutex) {
  // The worker takes the lock over and over, as a program writing to a window takes its DrawLock
  // and the GUI mailbox: whenever it is stopped, the lock is free for the GUI thread.
  SafeMutex lock;
  std::atomic<bool> stop{false};
  std::atomic<long> rounds{0};
  std::thread worker([&] {
    thread_record();
    while (!stop) {
      std::lock_guard guard(lock);
      for (int i = 0; i < 1000; ++i) rounds.fetch_add(1);  // mostly inside
    }
  });
  ASSERT_TRUE(eventually([&] { return rounds.load() > 10000; }));
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(suspend_workers(), 1) << "pause " << i;
    ASSERT_TRUE(lock.try_lock()) << "pause " << i;
    lock.unlock();
    resume_workers();
  }
  stop = true;
  worker.join();
}

TEST_F(PauseTest, AStopAskedForInsideNoStopIsTakenWhenItEnds) {
  std::atomic<bool> leave{false};
  std::atomic<bool> inside{false};
  std::atomic<bool> stop{false};
  std::atomic<long> after{0};
  std::thread worker([&] {
    thread_record();
    {
      NoStop hold;
      inside = true;
      while (!leave) std::this_thread::sleep_for(100us);
    }
    while (!stop) after.fetch_add(1);
  });
  ASSERT_TRUE(eventually([&] { return inside.load(); }));
  EXPECT_EQ(suspend_workers(20ms), 0);  // owed, not taken yet
  leave = true;
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(after.load(), 0);  // stopped as it left
  resume_workers();
  EXPECT_TRUE(eventually([&] { return after.load() > 0; }));
  stop = true;
  worker.join();
}

TEST_F(PauseTest, AWaitOnASafeConditionStopsWhereItWaitsAndGoesOnAfterResume) {
  SafeMutex lock;
  SafeCondition condition;
  bool ready = false;
  std::atomic<bool> waiting{false};
  std::atomic<bool> woke{false};
  std::thread worker([&] {
    thread_record();
    std::unique_lock guard(lock);
    waiting = true;
    condition.wait(guard, [&] { return ready; });
    woke = true;
  });
  ASSERT_TRUE(eventually([&] { return waiting.load(); }));
  EXPECT_EQ(suspend_workers(), 1);  // at once: the waiter holds nothing
  {
    std::lock_guard guard(lock);  // free while the waiter is stopped
    ready = true;
    condition.notify_all();
  }
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(woke.load());
  resume_workers();
  EXPECT_TRUE(eventually([&] { return woke.load(); }));
  worker.join();
}

TEST_F(PauseTest, EndedWorkersAreNotSignalled) {
  for (int i = 0; i < 20; ++i) std::thread([] { thread_record(); }).join();
  Counter counter;
  EXPECT_GE(suspend_workers(), 1);
  resume_workers();
  EXPECT_FALSE(workers_suspended());
}

TEST_F(PauseTest, WorkersEndingWhilePausesComeAndGo) {
  // Threads that register and end at once, paused and resumed meanwhile: none may stay stopped
  // (the joins would hang) and no signal may reach a thread that has gone.
  std::atomic<bool> stop{false};
  std::thread spawner([&] {
    thread_record();  // stopped too, also while it joins
    while (!stop) std::thread([] { thread_record(); }).join();
  });
  for (int i = 0; i < 200; ++i) {
    suspend_workers(5ms);
    resume_workers();
  }
  stop = true;
  spawner.join();
}

TEST_F(PauseTest, PauseProgramStopsUnderTheDrawLockAndTheSecondPauseRuleHolds) {
  RunStatus status;
  Counter counter;
  std::mutex draw_lock;
  EXPECT_EQ(pause_program(status, draw_lock), PauseStep::SuspendProgram);
  EXPECT_EQ(status.run_state(), RunState::Paused);
  EXPECT_TRUE(workers_suspended());
  EXPECT_TRUE(draw_lock.try_lock());  // released again
  draw_lock.unlock();

  EXPECT_EQ(pause_program(status, draw_lock), PauseStep::None);  // remembered
  EXPECT_EQ(resume_program(status), ResumeStep::EndSelection);   // consumed: still paused
  EXPECT_TRUE(workers_suspended());
  const long stopped_at = counter.count();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(counter.count(), stopped_at);

  EXPECT_EQ(resume_program(status), ResumeStep::ResumeProgram);
  EXPECT_EQ(status.run_state(), RunState::Running);
  EXPECT_FALSE(workers_suspended());
  EXPECT_TRUE(eventually([&] { return counter.count() > stopped_at; }));
  EXPECT_EQ(resume_program(status), ResumeStep::None);
}

// Last in this file: after the release nothing stops the workers any more in this process.
TEST_F(PauseTest, ReleaseForExitLetsGoAndRefusesLaterPauses) {
  Counter counter;
  EXPECT_GE(suspend_workers(), 1);
  const long stopped_at = counter.count();
  release_workers_for_exit();
  EXPECT_TRUE(eventually([&] { return counter.count() > stopped_at; }));
  EXPECT_EQ(suspend_workers(), 0);
  EXPECT_FALSE(workers_suspended());
}

}  // namespace
}  // namespace console
