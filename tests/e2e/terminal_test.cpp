// Tavo on a terminal (a pseudo-terminal here): control keys typed at the exit prompt end the
// process at once with the status the run had decided.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "e2e/tavo_run.h"

namespace tavo::testing {
namespace {

constexpr int severe_status(int number) {
  return (0xC0000000u | number) & 0xFF;
}

int count(const std::string& text, std::string_view what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// tavo started in `dir` with a pseudo-terminal as its controlling terminal and standard streams.
class OnTerminal {
 public:
  OnTerminal(const fs::path& dir, const std::string& notepad_script) {
    const fs::path bin = dir.parent_path() / (dir.filename().string() + ".bin");
    write_stub_notepad(bin, notepad_script);
    std::vector<std::string> env = {"PATH=" + bin.string() + ":/usr/bin:/bin",
                                    "TAVO_CONSOLE=terminal", "HOME=" + bin.string(), "LC_ALL=C",
                                    "TERM=dumb"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = tavo_binary().string();
    char* argv[] = {exe.data(), nullptr};
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      if (::chdir(dir.c_str()) != 0) ::_exit(126);
      ::execve(exe.c_str(), argv, envp.data());
      ::_exit(127);
    }
  }
  ~OnTerminal() {
    if (pid_ > 0 && !ended_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }
  OnTerminal(const OnTerminal&) = delete;
  OnTerminal& operator=(const OnTerminal&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  const std::string& shown() const { return shown_; }

  // Reads what the terminal shows until `text` has appeared; false when the process ended or a
  // minute passed first.
  bool wait_for(std::string_view text) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (shown_.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > give_up || !read_some(100)) return false;
    }
    return true;
  }

  // Types on the keyboard: "\x03" is control-C, which the terminal turns into SIGINT.
  void type(std::string_view keys) {
    ASSERT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Waits for the process to end (a minute at most) and returns its exit status, or -1.
  int exit_status() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < give_up) {
      const bool open = read_some(100);
      int status = 0;
      if (::waitpid(pid_, &status, open ? WNOHANG : 0) == pid_) {
        ended_ = true;
        while (read_some(0) && has_more()) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    return -1;
  }

 private:
  // Appends what the terminal shows within `ms` milliseconds; false once no process has it open.
  bool read_some(int ms) {
    if (!has_more(ms)) return true;
    char buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) return false;
    shown_.append(buf, static_cast<std::size_t>(n));
    return true;
  }
  bool has_more(int ms = 0) const {
    pollfd p = {master_, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  bool ended_ = false;
  std::string shown_;
};

const fs::path kWorked = "tests/data/golden/worked";
constexpr std::string_view kAskExit = "Exit Window? [y/N] ";
constexpr std::string_view kControlC = "program aborting due to control-C event";

class TerminalTest : public ::testing::Test {
 protected:
  TerminalTest() { copy_case(source_dir() / kWorked, dir()); }
  fs::path dir() const { return tmp_.path() / "case"; }

  TempDir tmp_;
};

// A run-time error asks whether to exit; control-C or control-\ (SIGQUIT) there, or while Tavo
// waits for Enter after No, ends it at once with the error's status.
TEST_F(TerminalTest, ControlKeysAtTheExitPromptEndWithTheErrorsStatus) {
  struct Case {
    const char* name;
    const char* answer;  // typed at the prompt first, or nullptr
    const char* key;
  } cases[] = {
      {"control-C at the prompt", nullptr, "\x03"},
      {"control-\\ at the prompt", nullptr, "\x1c"},
      {"control-C after No", "n\n", "\x03"},
  };
  fs::remove(dir() / "b2.dat");  // made empty by the run: error 24 at its first read
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OnTerminal tavo(dir(), "");
    ASSERT_TRUE(tavo.started());
    ASSERT_TRUE(tavo.wait_for(kAskExit)) << tavo.shown();
    if (c.answer != nullptr) {
      tavo.type(c.answer);
      ASSERT_TRUE(tavo.wait_for("Press Enter to close.")) << tavo.shown();
    }
    tavo.type(c.key);
    EXPECT_EQ(tavo.exit_status(), severe_status(24)) << tavo.shown();
    EXPECT_EQ(count(tavo.shown(), "severe (24)"), 1) << tavo.shown();
    EXPECT_EQ(count(tavo.shown(), "exit code 1"), 1) << tavo.shown();
    EXPECT_EQ(count(tavo.shown(), kAskExit), 1) << tavo.shown();
    EXPECT_EQ(count(tavo.shown(), "(200)"), 0) << tavo.shown();
  }
}

// A control-C during the run ends it with error 200 and its exit prompt; a second one there ends
// the process at once with the first one's status.
TEST_F(TerminalTest, SecondControlCAtTheInterruptedRunsPrompt) {
  const fs::path ready = tmp_.path() / "ready", go = tmp_.path() / "go";
  const std::string script = "if [ \"$1\" = dados.r33 ]; then : > '" + ready.string() +
                             "'; i=0; while [ ! -e '" + go.string() +
                             "' ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); done; fi";
  OnTerminal tavo(dir(), script);
  ASSERT_TRUE(tavo.started());
  for (int i = 0; i < 3000 && !fs::exists(ready); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(ready)) << "the editor stand-in never started";
  ::kill(tavo.pid(), SIGINT);  // to tavo alone, not to the editor stand-in
  ASSERT_TRUE(tavo.wait_for(kAskExit)) << tavo.shown();
  tavo.type("\x03");
  const int status = tavo.exit_status();
  write_file(go, "");
  EXPECT_EQ(status, 128 + SIGINT) << tavo.shown();
  EXPECT_EQ(count(tavo.shown(), kControlC), 1) << tavo.shown();
  EXPECT_EQ(count(tavo.shown(), kAskExit), 1) << tavo.shown();
}

}  // namespace
}  // namespace tavo::testing
