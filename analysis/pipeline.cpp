#include "analysis/pipeline.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "analysis/io.h"
#include "analysis/order_analysis.h"
#include "console/core/threads.h"
#include "recio/math_functions.h"

namespace analysis {
namespace {

// How far the worker may run ahead of the report, in selected variables: the memory of the
// statements made ahead is bounded by it, and so is the work done for nothing when the report
// ends early (an error, a signal).
constexpr std::int64_t kWindow = 64;
// A program thread that has caught up with the worker sleeps until it is this far ahead again.
constexpr std::int64_t kWakeAhead = 8;
// The worker also makes a variable's statements when it is this far ahead of the report, so the
// two threads share the work: the report only writes records while the worker keeps ahead, and
// formats them itself when the worker falls behind.
constexpr std::int64_t kMakeAhead = 8;
// Beyond this many meshes a variable's statements are not made ahead (their memory would grow
// with the case).
constexpr std::int32_t kMakeMeshes = 100;
// Fewer selected variables than this are analysed in well under a millisecond: Auto does not
// start a thread for them.
constexpr std::int32_t kFewVariables = 64;

// Whether `mode` starts a worker for this run.
bool worker_pays(const State& s, std::int32_t var_count, Pipeline mode) {
  if (mode == Pipeline::Off) return false;
  if (mode == Pipeline::Auto && (s.iq != 1 || s.mesh_count < 3)) return false;
  const std::int32_t needed = mode == Pipeline::On ? 2 : kFewVariables;
  std::int32_t selected = 0;
  for (std::int32_t var = 1; var <= var_count && selected < needed; ++var)
    if (s.var_selected(var) != 0) ++selected;
  return selected >= needed;
}

// The worker that analyses the selected variables ahead, in increasing order, and the hand-over
// of each variable's results to the program thread. Destroying it stops and joins the worker.
//
// A thread that has to wait sleeps until a batch of work is there for it, so that the two wake
// each other a few times per window rather than once per variable: the worker, when the window
// is full, until half of it is free; the program thread, when it has caught up, until the worker
// is kWakeAhead variables ahead or has ended.
class AnalysisAhead {
 public:
  // What the worker hands over for one selected variable.
  struct Slot {
    std::optional<recio::MathFault> fault;  // its analysis met a mathematical-function error
    bool heading_made = false;              // the heading's statement is made
    bool tables_made = false;               // the tables' statements are made
    recio::MadeStatements heading;
    recio::MadeStatements tables;
  };

  AnalysisAhead(State& s, std::int32_t var_count)
      : s_(s),
        var_count_(var_count),
        make_(s.mesh_count <= kMakeMeshes),
        slots_(kWindow),
        thread_([this] { run(); }) {}

  ~AnalysisAhead() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    space_.notify_one();
    thread_.join();
  }

  AnalysisAhead(const AnalysisAhead&) = delete;
  AnalysisAhead& operator=(const AnalysisAhead&) = delete;

  // What the worker handed over for the next selected variable if it is analysed already (its
  // results are then in the tables), else null. Valid until written().
  const Slot* ready() {
    std::lock_guard lock(mutex_);
    return analysed_ > written_ ? &slots_[written_ % kWindow] : nullptr;
  }

  // The same, waiting until the worker has analysed it.
  const Slot& next() {
    std::unique_lock lock(mutex_);
    if (analysed_ == written_) {
      program_waits_ = true;
      ready_.wait(lock, [&] { return ended_ || analysed_ - written_ >= kWakeAhead; });
      program_waits_ = false;
    }
    return slots_[written_ % kWindow];
  }

  // The program thread has written that variable: the window moves on by one.
  void written() {
    std::lock_guard lock(mutex_);
    ++written_;
    if (worker_waits_ && analysed_ - written_ <= kWindow / 2) space_.notify_one();
  }

 private:
  void run() {
    console::thread_record();  // a pause stops it with the program thread
    recio::MathErrorHold hold;
    for (std::int32_t var = 1; var <= var_count_; ++var) {
      if (s_.var_selected(var) == 0) continue;
      std::int64_t count = 0;  // of this variable among the selected ones
      std::int64_t ahead = 0;
      {
        std::unique_lock lock(mutex_);
        if (analysed_ - written_ >= kWindow) {
          worker_waits_ = true;
          space_.wait(lock, [&] { return stop_ || analysed_ - written_ <= kWindow / 2; });
          worker_waits_ = false;
        }
        if (stop_) break;
        count = analysed_;
        ahead = analysed_ - written_;
      }
      Slot& slot = slots_[count % kWindow];
      analyse_variable(s_, var);
      slot.fault.reset();
      if (hold.holds()) slot.fault = hold.take();
      const bool make = make_ && ahead >= kMakeAhead;
      slot.heading_made = make && make_variable_heading(s_, var, slot.heading);
      slot.tables_made = make && !slot.fault && make_variable_report(s_, var, slot.tables);
      std::lock_guard lock(mutex_);
      ++analysed_;
      if (slot.fault) break;  // the run ends at this variable
      if (program_waits_ && analysed_ - written_ >= kWakeAhead) ready_.notify_one();
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    ready_.notify_one();
  }

  State& s_;
  const std::int32_t var_count_;
  const bool make_;

  std::mutex mutex_;
  std::condition_variable ready_;  // for the program thread
  std::condition_variable space_;  // for the worker
  std::int64_t analysed_ = 0;      // selected variables analysed
  std::int64_t written_ = 0;       // selected variables the program thread has written
  bool program_waits_ = false;
  bool worker_waits_ = false;
  bool ended_ = false;  // the worker analyses no more (the last variable, or an error)
  bool stop_ = false;
  std::vector<Slot> slots_;  // by count of selected variables, modulo the window

  std::thread thread_;  // last: starts once the members above exist
};

}  // namespace

std::optional<Pipeline> pipeline_named(std::string_view name) {
  auto is = [&](std::string_view word) {
    if (name.size() != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if ((name[i] | 0x20) != word[i]) return false;
    return true;
  };
  if (is("auto")) return Pipeline::Auto;
  if (is("on")) return Pipeline::On;
  if (is("off")) return Pipeline::Off;
  return std::nullopt;
}

void report_variables(State& s, Pipeline mode) {
  const std::int32_t var_count = s.var_count;  // taken once, when the loop starts
  std::optional<AnalysisAhead> ahead;
  if (worker_pays(s, var_count, mode)) {
    try {
      ahead.emplace(s, var_count);
    } catch (const std::system_error&) {
      // No thread to be had: the sequential loop does the same work.
    }
  }
  for (std::int32_t var = 1; var <= var_count; ++var) {
    if (s.var_selected(var) == 0) continue;
    if (!ahead) {
      write_variable_heading(s, var);
      analyse_variable(s, var);
      write_variable_report(s, var);
      continue;
    }
    // The heading first, made ahead or not, while the worker may still be analysing.
    const AnalysisAhead::Slot* slot = ahead->ready();
    if (slot != nullptr && slot->heading_made) {
      write_made(slot->heading);
    } else {
      write_variable_heading(s, var);
    }
    if (slot == nullptr) slot = &ahead->next();
    if (slot->fault) recio::math_error(slot->fault->function, slot->fault->kind);
    if (slot->tables_made) {
      write_made(slot->tables);
    } else {
      write_variable_report(s, var);
    }
    ahead->written();
  }
}

}  // namespace analysis
