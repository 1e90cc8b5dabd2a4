// Runs build/bin/tavo as a user would, in a scratch folder, with the terminal front end and a
// stub notepad first on PATH that records its command lines.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
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

// `args` follow the program's name on its command line.
inline RunResult run_tavo(const fs::path& dir, std::vector<std::string> env_extra = {},
                          const std::string& notepad_script = "",
                          std::vector<std::string> args = {}) {
  fs::path work = dir.parent_path() / (dir.filename().string() + ".run");
  fs::create_directories(work);
  fs::path bin = work / "bin";
  write_stub_notepad(bin, notepad_script);

  std::vector<std::string> env = {"PATH=" + bin.string() + ":/usr/bin:/bin",
                                  "TAVO_CONSOLE=terminal", "HOME=" + work.string(), "LC_ALL=C"};
  for (auto& e : env_extra) env.push_back(e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  fs::path out = work / "stdout", err = work / "stderr";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
  std::string exe = tavo_binary().string();
  std::vector<char*> argv = {exe.data()};
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  RunResult r;
  pid_t pid = 0;
  if (posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), envp.data()) != 0) return r;
  posix_spawn_file_actions_destroy(&fa);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.out = read_file(out);
  r.err = read_file(err);
  r.notepad_log = read_file(bin / "notepad.log");
  return r;
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
