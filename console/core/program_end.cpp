#include "console/core/program_end.h"

#include <atomic>
#include <string>

#include "console/core/frontend.h"

namespace console {
namespace {
std::atomic<int> g_exit_mode{static_cast<int>(ExitMode::Prompt)};
std::atomic<int> g_failure_status{0};
}  // namespace

void set_failure_status(int status) {
  g_failure_status.store(status);
}
int failure_status() {
  return g_failure_status.load();
}

void run_program(ProgramEntry program, const RuntimeHooks& hooks) {
  if (hooks.initialise != nullptr) hooks.initialise();
  program();
  if (hooks.terminate != nullptr) hooks.terminate();
  end_of_program(0);
}

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

void end_of_program(int code) {
  FrontEnd* fe = front_end();
  if (fe == nullptr) return;
  switch (exit_mode()) {
    case ExitMode::Prompt:
      if (fe->message_box(exit_prompt_text(code), fe->application_name(), BoxKind::ExitPrompt) ==
          BoxAnswer::No)
        fe->wait_forever();
      fe->post_close();
      return;
    case ExitMode::NoPersist:
      fe->post_close();
      return;
    case ExitMode::Persist:
      return;
  }
}

}  // namespace console
