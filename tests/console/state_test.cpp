// The console library's state machines: run state, status message, window table, exit
// callbacks and per-thread records.
#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <thread>

#include "console/core/exit_callbacks.h"
#include "console/core/run_state.h"
#include "console/core/status_message.h"
#include "console/core/threads.h"
#include "console/core/window_table.h"

namespace console {
namespace {

TEST(RunControl, SetStateAcceptsRunningAndPausedUntilFinished) {
  RunControl run;
  EXPECT_EQ(run.set_state(1), 1);
  EXPECT_EQ(run.state(), RunState::Paused);
  EXPECT_EQ(run.set_state(0), 1);
  EXPECT_EQ(run.set_state(2), 0);
  EXPECT_EQ(run.set_state(-1), 0);
  EXPECT_EQ(run.state(), RunState::Running);
  run.finish();
  EXPECT_EQ(run.set_state(0), 0);
  EXPECT_EQ(run.set_state(1), 0);
  EXPECT_EQ(run.state(), RunState::Finished);
  EXPECT_EQ(run_state_text(RunState::Running), "Running");
  EXPECT_EQ(run_state_text(RunState::Paused), "Paused");
  EXPECT_EQ(run_state_text(RunState::Finished), "Finished");
}

TEST(RunControl, SecondPauseIsConsumedByTheNextResume) {
  RunControl run;
  ASSERT_EQ(run.pause(), PauseStep::SuspendProgram);
  run.pause_done();
  EXPECT_EQ(run.pause(), PauseStep::None);
  EXPECT_EQ(run.resume(), ResumeStep::EndSelection);
  EXPECT_EQ(run.state(), RunState::Paused);
  EXPECT_EQ(run.resume(), ResumeStep::ResumeProgram);
  EXPECT_EQ(run.state(), RunState::Running);
  EXPECT_EQ(run.resume(), ResumeStep::None);
}

TEST(RunControl, ResumeIsIgnoredWhileThePauseIsInProgress) {
  RunControl run;
  ASSERT_EQ(run.pause(), PauseStep::SuspendProgram);
  EXPECT_EQ(run.resume(), ResumeStep::None);
  EXPECT_EQ(run.pause(), PauseStep::None);  // a second request, remembered
  run.pause_done();
  EXPECT_EQ(run.resume(), ResumeStep::EndSelection);
  EXPECT_EQ(run.resume(), ResumeStep::ResumeProgram);
}

TEST(RunControl, FinishedIsFinal) {
  RunControl run;
  run.pause();
  run.pause_done();
  run.finish();
  EXPECT_EQ(run.pause(), PauseStep::None);
  EXPECT_EQ(run.resume(), ResumeStep::EndSelection);
  EXPECT_EQ(run.state(), RunState::Finished);
}

TEST(StatusMessage, LockedPromptHoldsBackTextsAndLeavesThePaneEmpty) {
  StatusMessage message;
  message.set("Paste input pending");
  EXPECT_EQ(message.shown(), "Paste input pending");
  message.lock_prompt("Input pending in Unit 5");
  message.set("Mark Text - ");
  EXPECT_EQ(message.shown(), "Input pending in Unit 5");
  message.set(std::nullopt);
  EXPECT_EQ(message.shown(), "Input pending in Unit 5");
  message.remove_prompt();
  EXPECT_EQ(message.shown(), "");
  EXPECT_FALSE(message.prompt_locked());
  message.set("after");
  EXPECT_EQ(message.shown(), "after");
  message.set(std::nullopt);
  EXPECT_EQ(message.shown(), "");
}

TEST(WindowTable, FillsTheFirstFreeSlotAndRefusesTheFortyFirst) {
  WindowTable table;
  for (int i = 0; i < WindowTable::kSlots; ++i)
    ASSERT_EQ(table.add(WindowHandle{100 + i}), 1024 + i);
  EXPECT_EQ(table.add(WindowHandle{999}), -1);
  EXPECT_TRUE(table.remove(1026));
  EXPECT_FALSE(table.remove(1026));
  EXPECT_EQ(table.find(1026), kInvalidWindow);
  EXPECT_EQ(table.add(WindowHandle{555}), 1026);
  EXPECT_EQ(table.find(1026), WindowHandle{555});
  EXPECT_EQ(table.find(1063), WindowHandle{139});
  for (std::int64_t outside : {-1LL, 0LL, 1023LL, 1064LL, 0x80000000LL})
    EXPECT_EQ(table.find(outside), kInvalidWindow) << outside;
  EXPECT_EQ(table.add(kNoWindow), -1);
}

TEST(ExitCallbackList, RunsInOrderAndRefusesTheThirtyThird) {
  static std::vector<int> order;
  order.clear();
  ExitCallbackList list;
  EXPECT_EQ(list.add([] { order.push_back(1); }), 1);
  EXPECT_EQ(list.add([] { order.push_back(2); }), 1);
  for (int i = 2; i < ExitCallbackList::kCapacity; ++i) ASSERT_EQ(list.add([] {}), 1);
  EXPECT_EQ(list.add([] { order.push_back(33); }), 0);
  EXPECT_EQ(list.size(), 32);
  list.run_all();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(ThreadRecord, EachThreadHasItsOwnAndWorkersAreListed) {
  set_gui_thread();
  ThreadRecord& gui = thread_record();
  EXPECT_EQ(gui.words, (std::array<std::int32_t, 8>{1024, 0, 0, 0, 0, 0, 0, 0}));
  gui.set_current_window(1030);
  EXPECT_EQ(thread_record().current_window(), 1030);

  pthread_t worker_id{};
  std::int32_t worker_window = 0;
  std::thread worker([&] {
    worker_id = pthread_self();
    worker_window = thread_record().current_window();
    thread_record();  // a second call registers nothing more
  });
  worker.join();
  EXPECT_EQ(worker_window, 1024);
  std::vector<pthread_t> workers = worker_threads();
  EXPECT_EQ(std::count_if(workers.begin(), workers.end(),
                          [&](pthread_t t) { return pthread_equal(t, worker_id); }),
            1);
  EXPECT_EQ(std::count_if(workers.begin(), workers.end(),
                          [](pthread_t t) { return pthread_equal(t, pthread_self()); }),
            0);
}

}  // namespace
}  // namespace console
