#include "console/core/program_end.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "console/core/frontend.h"

namespace console {
namespace {
std::atomic<int> g_exit_mode{static_cast<int>(ExitMode::Prompt)};
std::atomic<ProcessEnder> g_ender{ProcessEnder::None};
}  // namespace

int set_exit_mode(int mode) {
  if (mode < 1 || mode > 3) return -1;
  g_exit_mode.store(mode);
  return 0;
}

ExitMode exit_mode() {
  return static_cast<ExitMode>(g_exit_mode.load());
}

std::string exit_prompt_text(int code) {
  return "Program Terminated with exit code " + std::to_string(code) + "\nExit Window?";
}

ProcessEnder claim_process_end(ProcessEnder who) {
  ProcessEnder none = ProcessEnder::None;
  if (g_ender.compare_exchange_strong(none, who)) return who;
  return none;  // the earlier winner
}

ProcessEnder process_ender() {
  return g_ender.load();
}

void park_thread_forever() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void end_of_program(int code) {
  FrontEnd* fe = front_end();
  if (fe == nullptr) return;
  if (claim_process_end(ProcessEnder::Program) == ProcessEnder::Windows) park_thread_forever();
  switch (exit_mode()) {
    case ExitMode::Prompt:
      if (fe->message_box(exit_prompt_text(code), fe->application_name(), BoxKind::ExitPrompt) ==
          BoxAnswer::Yes) {
        fe->post_close();
      } else {
        fe->wait_for_close();
      }
      return;
    case ExitMode::NoPersist:
      fe->post_close();
      return;
    case ExitMode::Persist:
      return;
  }
}

}  // namespace console
