#include "recio/run_time_error.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/core/frontend.h"
#include "recio/catalog.h"
#include "recio/process_end.h"
#include "recio/units.h"

// Sanitizer builds: a refused allocation returns null so the run-time reports error 41.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
#endif

namespace recio {
namespace {

void write_stderr(std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Fills the printf-style placeholders of a catalog text, one argument each, in order.
std::string fill(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 64);
  const std::string_view* arg = args.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    std::size_t j = i + 1;
    if (text[j] == 'l') ++j;
    if (j < text.size() && std::strchr("dixs", text[j]) != nullptr) {
      if (arg != args.end()) out += *arg++;
      i = j;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

void end_console_lines() {
  InSection section;
  UnitTable::instance().for_each([](Unit& u) { u.end_console_line(); });
}

std::string compose_line(Status status, std::initializer_list<std::string_view> args) {
  std::string line(severity_prefix(severity_of(status)));
  line += " (";
  line += std::to_string(message_number(status));
  line += "): ";
  line += fill(message_text(status), args);
  return line;
}

std::string compose_line(Status status, const Unit* unit) {
  if (unit == nullptr) return compose_line(status, {"", ""});
  std::string number = std::to_string(unit->number());
  return compose_line(status, {number, unit->full_path()});
}

std::string compose_os_line(int os_error) {
  const char* text = strerrordesc_np(os_error);
  std::string line = "lumrtl: ";
  if (text != nullptr) {
    line += text;
  } else {
    line += "FormatMessage failed for sysmem message number " + std::to_string(os_error);
  }
  return line;
}

void show_line(std::string_view line, std::string_view caption) {
  console::FrontEnd* fe = console::front_end();
  if (fe != nullptr && fe->shows_message_boxes()) {
    fe->message_box(line, caption, console::BoxKind::RuntimeError);
    return;
  }
  std::string out(line);
  out += "\r\n";
  write_stderr(out);
}

void show_status(Status status, const Unit* unit) {
  end_console_lines();
  if (unit != nullptr && unit->os_error() != 0) show_line(compose_os_line(unit->os_error()));
  show_line(compose_line(status, unit));
}

void raise_error(Status status, const Unit* unit) {
  show_status(status, unit);
  if (is_severe(status)) terminate_severe(status);
}

void raise_error(Status status, std::initializer_list<std::string_view> args) {
  end_console_lines();
  show_line(compose_line(status, args));
  if (is_severe(status)) terminate_severe(status);
}

}  // namespace recio
