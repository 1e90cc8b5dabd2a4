// A whole verification run on a folder made from the input.
//
// Input: sections separated by NUL bytes. The first is dados.r33; each further one is a file of
// the folder, its name on the first line and its content after it ("exatos.txt\n2\n#\n...").
// The folder is a fresh scratch folder; names cannot leave it: a '/' in a file name becomes '_',
// and in dados.r33 so does every '/' after the first quote (before any quote a '/' can only end
// a statement, never be part of a name).
//
// The run is the program's own run sequence, in this process. A severe error ends a run by the
// run-time's exit path, whose end-of-program step asks the front end; the front end here answers
// by unwinding back to the harness instead of ending the process, so every run adds coverage.
// The editor is never started (no COMSPEC, no sh on PATH). Checked: a run ends normally or with
// one of the statuses its input can cause; the program's own report formats never fail (60, 61,
// 62, 66, 68), no unit is found busy (40), no table allocated twice (151).
#include <fcntl.h>
#include <unistd.h>
#include <charconv>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/run_sequence.h"
#include "analysis/state.h"
#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "fuzz/fuzz_support.h"
#include "recio/units.h"

namespace {

namespace fs = std::filesystem;
using namespace recio;

constexpr std::size_t kMaxFiles = 32;

struct RunEnded {};

// Answers the exit prompt with No, whose wait for the windows to close becomes a return to the
// harness.
// The run-time's messages come as boxes, so the last one tells which error ended the run.
class UnwindingFrontEnd final : public console::FrontEnd {
 public:
  std::string_view application_name() const override { return "tavo"; }
  bool shows_message_boxes() const override { return true; }
  console::BoxAnswer message_box(std::string_view text, std::string_view,
                                 console::BoxKind kind) override {
    if (kind == console::BoxKind::ExitPrompt) return console::BoxAnswer::No;
    // A field too narrow for a number (63) is reported and the run goes on.
    if (text.find("(63): ") == std::string_view::npos) last_message = std::string(text);
    return console::BoxAnswer::Ok;
  }
  void post_close() override {}
  void wait_for_close() override { throw RunEnded{}; }

  // The message number of the last message: "lumrtl: severe (N): ..." or "MNNNN: ...".
  std::uint16_t last_number() const {
    std::size_t at = last_message.starts_with("M") ? 1 : last_message.find('(') + 1;
    unsigned n = 0;
    std::from_chars(last_message.data() + at, last_message.data() + last_message.size(), n);
    return static_cast<std::uint16_t>(n);
  }
  std::string last_message;
};

UnwindingFrontEnd* g_front_end = nullptr;

fs::path g_home;  // the harness's own folder, restored after every run
fs::path g_dir;   // the scratch folder of the runs

std::string safe_dados(std::string_view text) {
  std::string out(text);
  const std::size_t quote = out.find_first_of("'\"");
  if (quote != std::string::npos)
    for (std::size_t i = quote; i < out.size(); ++i)
      if (out[i] == '/') out[i] = '_';
  return out;
}

void write_bytes(const fs::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void make_folder(std::string_view input) {
  for (const auto& e : fs::directory_iterator(g_dir)) fs::remove_all(e.path());
  std::size_t nul = std::min(input.find('\0'), input.size());
  write_bytes(g_dir / "dados.r33", safe_dados(input.substr(0, nul)));
  for (std::size_t files = 0; nul < input.size() && files < kMaxFiles; ++files) {
    input.remove_prefix(nul + 1);
    nul = std::min(input.find('\0'), input.size());
    std::string_view section = input.substr(0, nul);
    const std::size_t lf = std::min(section.find('\n'), section.size());
    std::string name(section.substr(0, lf));
    for (char& c : name)
      if (c == '/') c = '_';
    if (name.empty() || name == "." || name == ".." || name.size() > NAME_MAX) continue;
    write_bytes(g_dir / name, section.substr(std::min(lf + 1, section.size())));
  }
}

bool expected_end(std::uint16_t n) {
  if (n >= 6201 && n <= 6206) return true;  // the analysis's logarithms and powers
  switch (n) {
    case kPermissionDenied:
    case kCannotOverwrite:
    case kEndOfFile:
    case kCloseError:
    case kFileNotFound:
    case kOpenFailure:
    case kWriteError:
    case kReadError:
    case kNoMemory:
    case kNoSuchDevice:
    case kFileNameError:
    case kWriteReadOnly:
    case kInvalidArgument:  // printer and serial device names
    case kListSyntax:
    case kInputConversion:
    case kTooManyExactVariables:
    case kNoMeshes:
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static UnwindingFrontEnd front_end;
  g_front_end = &front_end;
  console::install_front_end(&front_end);
  // The editor is never started, and nothing of the run reads a terminal or writes to one.
  ::unsetenv("COMSPEC");
  ::setenv("PATH", "/nonexistent", 1);
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(null, STDIN_FILENO);
  ::dup2(null, STDOUT_FILENO);
  ::close(null);
  g_dir = tavo::fuzz::scratch_folder("run");
  g_home = fs::current_path();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  make_folder({reinterpret_cast<const char*>(data), size});
  analysis::reset_state();
  console::set_exit_mode(static_cast<int>(console::ExitMode::Prompt));
  g_front_end->last_message.clear();
  fs::current_path(g_dir);
  bool ended = false;
  try {
    analysis::run_sequence();
  } catch (const RunEnded&) {
    ended = true;
  }
  UnitTable::instance().close_all([](Status, const Unit*) {});
  fs::current_path(g_home);

  if (ended) {
    const std::uint16_t number = g_front_end->last_number();
    if (!expected_end(number))
      std::fprintf(stderr, "run ended with %s\n", g_front_end->last_message.c_str());
    FUZZ_CHECK(expected_end(number));
  } else {
    FUZZ_CHECK(g_front_end->last_message.empty());
  }
  return 0;
}
