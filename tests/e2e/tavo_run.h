// Runs build/bin/tavo as a user would, in a scratch folder, with the terminal front end and a
// stub notepad first on PATH that records its command lines: the one driver of the end-to-end
// tests.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace tavo::testing {

namespace fs = std::filesystem;

struct RunResult {
  int exit_code = -1;  // -1 when killed by a signal
  int signal = 0;
  std::string out;
  std::string err;
  std::string notepad_log;  // one line per notepad call: its arguments
};

inline fs::path tavo_binary() {
  return fs::path(TAVO_BIN_DIR) / "tavo";
}
inline fs::path source_dir() {
  return fs::path(TAVO_SOURCE_DIR);
}

// Copies every file of a folder under tests/data (or any folder) into `to`.
inline void copy_case(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& e : fs::directory_iterator(from))
    if (e.is_regular_file()) fs::copy_file(e.path(), to / e.path().filename());
}

// A notepad stand-in that logs its arguments and runs `script` (shell text) with $1 the file.
inline void write_stub_notepad(const fs::path& bin, const std::string& script = "") {
  fs::create_directories(bin);
  fs::path stub = bin / "notepad";
  write_file(stub, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"" + (bin / "notepad.log").string() +
                       "\"\n" + script + "\nexit 0\n");
  fs::permissions(stub, fs::perms::owner_all);
}

// How a Tavo starts: its arguments (after the program's name), more environment, the stub
// notepad's script (shell text, $1 the file), standard input (a file, or none for a pipe the test
// writes), and optionally as an unprivileged user, which is what makes permissions bite when
// the tests run as root.
struct Launch {
  std::vector<std::string> args{};
  std::vector<std::string> env{};
  std::string notepad_script{};
  std::optional<fs::path> input = fs::path("/dev/null");
  bool unprivileged = false;
};

inline constexpr uid_t kNobody = 65534;

// One tavo started in `dir` with the terminal front end and the stub notepad first on PATH;
// its standard output and error go to files beside `dir`. Split into start and wait, so that
// signals and input can go to a running one.
class Tavo {
 public:
  Tavo(const fs::path& dir, const Launch& o = {}) {
    work_ = dir.parent_path() / (dir.filename().string() + ".run");
    fs::create_directories(work_);
    const fs::path bin = work_ / "bin";
    write_stub_notepad(bin, o.notepad_script);
    std::string exe = tavo_binary().string();
    if (o.unprivileged) {
      // The unprivileged user must reach the folder, run the stub and let it log, and run tavo:
      // a copy beside the stub, as the build folder may lie in a home only its owner enters.
      const auto rx = fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                      fs::perms::others_exec;
      for (fs::path p = dir; p.has_relative_path() && p != fs::temp_directory_path();
           p = p.parent_path())
        fs::permissions(p, rx, fs::perm_options::add);
      fs::permissions(work_, rx, fs::perm_options::add);
      fs::permissions(bin, fs::perms::all);
      fs::permissions(bin / "notepad", fs::perms::owner_all | rx);
      const fs::path copy = work_ / "tavo";
      fs::copy_file(exe, copy, fs::copy_options::overwrite_existing);
      fs::permissions(copy, fs::perms::owner_all | rx);
      exe = copy.string();
    }

    std::vector<std::string> env = {"PATH=" + bin.string() + ":/usr/bin:/bin",
                                    "TAVO_CONSOLE=terminal", "HOME=" + work_.string(), "LC_ALL=C"};
    env.insert(env.end(), o.env.begin(), o.env.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = o.args;
    std::vector<char*> argv = {exe.data()};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = (work_ / "stdout").string(), err = (work_ / "stderr").string();
    const std::string in = o.input ? o.input->string() : std::string();
    const bool drop = o.unprivileged && ::geteuid() == 0;
    int pipe_fds[2] = {-1, -1};
    if (!o.input && ::pipe2(pipe_fds, O_CLOEXEC) != 0) return;

    pid_ = ::fork();
    if (pid_ == 0) {
      const int in_fd = o.input ? ::open(in.c_str(), O_RDONLY) : pipe_fds[0];
      const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in_fd < 0 || out_fd < 0 || err_fd < 0 || ::dup2(in_fd, 0) < 0 || ::dup2(out_fd, 1) < 0 ||
          ::dup2(err_fd, 2) < 0 || ::chdir(dir.c_str()) != 0)
        ::_exit(126);
      if (drop &&
          (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        ::_exit(126);
      ::execve(exe.c_str(), argv.data(), envp.data());
      ::_exit(127);
    }
    if (pipe_fds[0] >= 0) ::close(pipe_fds[0]);
    input_ = pipe_fds[1];
  }
  ~Tavo() { close_input(); }
  Tavo(const Tavo&) = delete;
  Tavo& operator=(const Tavo&) = delete;

  pid_t pid() const { return pid_; }
  // Into the pipe on its standard input (Launch::input none).
  bool write_input(std::string_view text) {
    return input_ >= 0 && ::write(input_, text.data(), text.size()) == ssize_t(text.size());
  }
  void close_input() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
  }
  // What it has written on standard output so far.
  std::string out_so_far() const { return read_file(work_ / "stdout"); }
  // The processor time the run took (after wait), which unlike the time on the clock does not
  // grow with whatever else the machine is doing.
  std::chrono::microseconds cpu_time() const { return cpu_time_; }

  RunResult wait() {
    close_input();
    RunResult r;
    int status = 0;
    rusage usage{};
    while (::wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    cpu_time_ = std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    r.out = read_file(work_ / "stdout");
    r.err = read_file(work_ / "stderr");
    r.notepad_log = read_file(work_ / "bin" / "notepad.log");
    return r;
  }

 private:
  fs::path work_;
  pid_t pid_ = -1;
  int input_ = -1;
  std::chrono::microseconds cpu_time_{};
};

// A whole run: `args` follow the program's name on its command line.
inline RunResult run_tavo(const fs::path& dir, std::vector<std::string> env_extra = {},
                          const std::string& notepad_script = "",
                          std::vector<std::string> args = {}) {
  return Tavo(dir, {.args = std::move(args),
                    .env = std::move(env_extra),
                    .notepad_script = notepad_script})
      .wait();
}

// The report without the line that holds the date and time.
inline std::string without_date_line(const std::string& report) {
  std::string out;
  std::size_t at = 0;
  while (at < report.size()) {
    std::size_t end = report.find('\n', at);
    end = end == std::string::npos ? report.size() : end + 1;
    std::string_view line(report.data() + at, end - at);
    if (line.find("Dia = ") == std::string_view::npos ||
        line.find("Hora = ") == std::string_view::npos)
      out.append(line);
    at = end;
  }
  return out;
}

}  // namespace tavo::testing
