#include "analysis/run_sequence.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string>

#include "analysis/io.h"
#include "analysis/pipeline.h"
#include "analysis/state.h"
#include "console/core/console.h"
#include "console/core/program_end.h"
#include "console/core/shell_command.h"
#include "recio/edit.h"
#include "recio/statements.h"

namespace analysis {
namespace {

constexpr int kReportUnit = 10;

// The decimal digits of a non-negative number, as a list-directed write into a 50-character
// scratch text gives them once left-adjusted and stripped of trailing blanks.
std::string digits(int value) {
  Text<50> scratch;
  static_cast<void>(recio::write_list_int(scratch.data(), scratch.size(), value));  // 50 > 12
  std::string_view t = scratch.trimmed();
  t.remove_prefix(std::min(t.find_first_not_of(' '), t.size()));
  return std::string(t);
}

// "(D/M/Y)" and "H:N:S" with one-digit fields left as one digit. The seconds go through the
// four-character field that held the year.
void build_date_and_time() {
  State& s = state();
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  Text<2> d, m, h, n;
  Text<4> y;
  d = digits(local.tm_mday);
  m = digits(local.tm_mon + 1);
  y = digits(local.tm_year + 1900);
  // Appended in place: "(" + std::string(...) draws a false -Wrestrict warning from GCC 12.
  std::string date = "(";
  date.append(d.trimmed()).append("/").append(m.trimmed()).append("/").append(y.view()) += ')';
  s.date_text = date;
  h = digits(local.tm_hour);
  n = digits(local.tm_min);
  y = digits(local.tm_sec);
  s.time_text =
      std::string(h.trimmed()) + ":" + std::string(n.trimmed()) + ":" + std::string(y.view());
}

// The report's name must reach the editor as one argument whatever it holds: a name of
// ordinary characters goes into the command line as it stands; any other (blanks, quotes, or
// characters such as ; & | $ that the interpreter would act on) is quoted, so that a name taken
// from an input file can never run a command of its own.
std::string editor_command_for(const Text<60>& report_file_name) {
  std::string_view name = report_file_name.trimmed();
  auto plain = [](unsigned char c) {
    return std::isalnum(c) || c >= 0x80 ||
           std::string_view("._-+/,:=@%").find(c) != std::string_view::npos;
  };
  if (std::all_of(name.begin(), name.end(), plain))
    return "notepad " + std::string(report_file_name.view()) + "  ";
  std::string quoted = "notepad '";
  for (char c : name) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

void run_sequence(const RunSettings& settings) {
  const EditorUse editor = settings.editor;
  State& s = state();
  recio::set_reentrancy(0);
  console::set_window_text(console::window_handle(console::kFrameWindowCode), kFrameCaption);

  read_input_data(editor);
  recio::open(kReportUnit, {.file = s.report_file_name.view(),
                            .status = recio::OpenStatus::Unknown,
                            .blank = recio::Blank::Null});
  read_exact_results();
  read_solution_tables();
  build_date_and_time();
  write_report_header();
  const std::string editor_command = editor_command_for(s.report_file_name);
  s.editor_command = editor_command;

  report_variables(s, settings.pipeline);

  if (editor == EditorUse::Open)
    s.shell_status = static_cast<std::int32_t>(console::run_shell_command(editor_command));
  recio::close(kReportUnit);
  console::set_exit_mode(static_cast<int>(console::ExitMode::NoPersist));
}

}  // namespace analysis
