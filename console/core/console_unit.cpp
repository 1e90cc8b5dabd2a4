#include "console/core/console_unit.h"

#include <vector>

#include "console/core/console.h"

namespace console {
namespace {

// A pasted line may be longer than a typed one (kLineLimit); up to a block of this many
// characters it stays one record.
constexpr std::size_t kRecordLimit = 8192;

}  // namespace

bool console_units_use_windows() {
  return front_end_windows() != nullptr && process_console().initialised();
}

std::int32_t open_unit_window(int unit, std::string_view title) {
  Console& console = process_console();
  const std::string name = title.empty() ? "Unit " + std::to_string(unit) : std::string(title);
  const std::int32_t id = console.open_window(name);
  if (id < 0) return -1;
  if (console.configure_window(id, {}) == 0 && console.configure_window(id, {}) == 0) return -1;
  return id;
}

std::int32_t unit_console_window() {
  return process_console().default_console_window();
}

bool write_unit_record(std::int32_t window, std::string_view record) {
  return process_console().write_record(window, record) >= 0;
}

bool write_unit_text(std::int32_t window, std::string_view bytes) {
  return bytes.empty() || process_console().write_text(window, bytes) >= 0;
}

bool read_unit_record(std::int32_t window, std::string& record) {
  Console& console = process_console();
  console.activate_window(window);
  std::vector<char> buffer(kRecordLimit);
  const int n = console.read_line(window, buffer);
  if (n < 0) return false;
  record.assign(buffer.data(), static_cast<std::size_t>(n));
  console.write_text(window, "\r\n");
  return true;
}

void unit_window_closed(std::int32_t window) {
  process_console().close_unit_window(window, /*keep=*/true);
}

bool choose_unit_file(int unit, std::string& name) {
  return console_units_use_windows() &&
         front_end_windows()->choose_file(name,
                                          "Open: Select File for Unit " + std::to_string(unit));
}

}  // namespace console
