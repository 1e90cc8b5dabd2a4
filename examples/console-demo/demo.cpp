#include "demo.h"

#include <array>
#include <string_view>

#include "recio/format_builder.h"
#include "recio/startup.h"
#include "recio/statements.h"

namespace console_demo {
namespace {

namespace build = recio::build;

constexpr int kInput = 5;
constexpr int kOutput = 6;
constexpr int kEcho = 10;

constexpr auto kGreeting = build::record(
    build::start(),
    build::lit<"Eco: escreva uma linha por vez (texto com brancos entre aspas); fim termina.">(),
    build::end());
constexpr auto kEchoed =
    build::record(build::start(), build::lit<"> ">(), build::a(), build::end());
constexpr auto kLine = build::record(build::start(), build::a(), build::end());

}  // namespace

void program() {
  recio::start_runtime();
  recio::set_reentrancy(0);
  recio::write_formatted(kOutput, kGreeting, {});
  recio::open(kEcho, {.file = "eco.txt",
                      .status = recio::OpenStatus::Unknown,
                      .position = recio::Position::Append});
  std::array<char, 128> line;
  for (;;) {
    line.fill(' ');
    const recio::Status s = recio::read_list(kInput, {recio::Item::text(line.data(), line.size())},
                                             recio::kHandlesErrors);
    if (recio::message_number(s) == recio::kEndOfFile) break;
    if (s != recio::kOk) {
      // Shown like any failure of a statement; a severe one ends the run, others read on.
      static_cast<void>(
          recio::raise_unless_handled(s, recio::UnitTable::instance().find(kInput), 0));
      continue;
    }
    std::string_view text(line.data(), line.size());
    text = text.substr(0, text.find_last_not_of(' ') + 1);
    if (text == "fim") break;
    const recio::Item item = recio::Item::text(text.data(), text.size());
    recio::write_formatted(kOutput, kEchoed, {item});
    recio::write_formatted(kEcho, kLine, {item});
  }
  recio::close(kEcho);
}

}  // namespace console_demo
