#include "console/terminal/terminal.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "console/core/frontend.h"
#include "console/core/library.h"
#include "console/core/program_end.h"

namespace console::terminal {
namespace {

void write_err(std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// One line from standard input without its line end; false at end of input.
bool read_answer(std::string& line) {
  line.clear();
  char c;
  while (::read(STDIN_FILENO, &c, 1) == 1) {
    if (c == '\n') return true;
    line += c;
  }
  return !line.empty();
}

class TerminalFrontEnd final : public FrontEnd {
 public:
  std::string_view application_name() const override { return library().application_name(); }
  bool shows_message_boxes() const override { return false; }

  BoxAnswer message_box(std::string_view text, std::string_view caption, BoxKind kind) override {
    if (kind != BoxKind::ExitPrompt) {
      write_err(std::string(caption) + ": " + std::string(text) + "\r\n");
      return BoxAnswer::Ok;
    }
    // Without a terminal nobody can answer: the run ends as after Yes.
    if (!::isatty(STDIN_FILENO)) return BoxAnswer::Yes;
    write_err(std::string(text) + " [y/N] ");
    std::string answer;
    read_answer(answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y') ? BoxAnswer::Yes
                                                                     : BoxAnswer::No;
  }

  // The terminal has no frame: the process ends when the program does.
  void post_close() override {}

  // After No: the run's output stays on the terminal until the user is done with it.
  void wait_for_close() override {
    write_err("Press Enter to close.\r\n");
    std::string ignored;
    read_answer(ignored);
  }
};

}  // namespace

int run(ProgramEntry program, TerminationHook termination) {
  static TerminalFrontEnd front_end;
  install_front_end(&front_end);
  // The library knows its name but owns no frame: the window-handle query answers 0.
  library().begin_initialisation(read_application_name());
  program();
  if (termination != nullptr) termination();
  library().finish_run();
  end_of_program(0);
  return 0;
}

}  // namespace console::terminal
