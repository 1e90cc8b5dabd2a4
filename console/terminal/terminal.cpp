#include "console/terminal/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "console/core/console.h"
#include "console/core/frontend.h"
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

// Control-C, control-BREAK and a hangup while the terminal waits for the user at the end of the
// run mean that the user is done: the wait ends as after Yes, and the process ends with the
// status its run has already decided. Meanwhile they do not reach the run-time's handler, which
// would report error 200 and ask again.
class ControlSignalsEndTheWait {
 public:
  ControlSignalsEndTheWait() {
    static const int read_end = make_pipe();
    read_end_ = read_end;
    if (read_end_ < 0) return;
    char stale[64];
    while (::read(read_end_, stale, sizeof stale) > 0) {
    }
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
      ::sigaction(kSignals[i], &sa, &previous_[i]);
  }
  ~ControlSignalsEndTheWait() {
    if (read_end_ < 0) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
      ::sigaction(kSignals[i], &previous_[i], nullptr);
  }
  ControlSignalsEndTheWait(const ControlSignalsEndTheWait&) = delete;
  ControlSignalsEndTheWait& operator=(const ControlSignalsEndTheWait&) = delete;

  // Readable once one of the signals has come; -1 when they could not be taken over.
  int fd() const { return read_end_; }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGQUIT, SIGHUP};
  // The pipe lasts as long as the process, so that a handler still running on another thread
  // never writes to a descriptor closed meanwhile.
  static inline std::atomic<int> g_write_end{-1};

  static int make_pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    g_write_end = fds[1];
    return fds[0];
  }

  static void on_signal(int) {
    const int saved = errno;
    const char byte = 1;
    if (::write(g_write_end, &byte, 1) < 0) {
      // The pipe is full: a wake-up is pending already.
    }
    errno = saved;
  }

  int read_end_ = -1;
  struct sigaction previous_[std::size(kSignals)] = {};
};

enum class Read { Line, EndOfInput, ControlSignal };

// One line from standard input without its line end, unless a control signal comes first.
Read read_answer(const ControlSignalsEndTheWait& signals, std::string& line) {
  line.clear();
  for (;;) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signals.fd(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return Read::EndOfInput;
    }
    if (fds[1].revents != 0) {
      write_err("\r\n");  // after the terminal's echo of the control character
      return Read::ControlSignal;
    }
    char c;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n != 1) return line.empty() ? Read::EndOfInput : Read::Line;
    if (c == '\n') return Read::Line;
    line += c;
  }
}

class TerminalFrontEnd final : public FrontEnd {
 public:
  std::string_view application_name() const override {
    return process_console().application_name();
  }
  bool shows_message_boxes() const override { return false; }

  BoxAnswer message_box(std::string_view text, std::string_view caption, BoxKind kind) override {
    if (kind != BoxKind::ExitPrompt) {
      write_err(std::string(caption) + ": " + std::string(text) + "\r\n");
      return BoxAnswer::Ok;
    }
    // Without a terminal nobody can answer: the run ends as after Yes.
    if (!::isatty(STDIN_FILENO)) return BoxAnswer::Yes;
    const ControlSignalsEndTheWait signals;
    write_err(std::string(text) + " [y/N] ");
    std::string answer;
    if (read_answer(signals, answer) == Read::ControlSignal) return BoxAnswer::Yes;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y') ? BoxAnswer::Yes
                                                                     : BoxAnswer::No;
  }

  // The terminal has no frame: the process ends when the program does.
  void post_close() override {}

  // After No: the run's output stays on the terminal until the user is done with it.
  void wait_for_close() override {
    const ControlSignalsEndTheWait signals;
    write_err("Press Enter to close.\r\n");
    std::string ignored;
    read_answer(signals, ignored);
  }
};

}  // namespace

int run(const ProgramBody& program, TerminationHook termination) {
  static TerminalFrontEnd front_end;
  install_front_end(&front_end);
  // The library knows its name but owns no frame: the window-handle query answers 0.
  process_console().begin_initialisation(read_application_name());
  program();
  if (termination != nullptr) termination();
  process_console().finish_run();
  end_of_program(0);
  return 0;
}

}  // namespace console::terminal
