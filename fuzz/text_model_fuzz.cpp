// The text model of a console window under arbitrary output, mixed with the line editing and
// pastes of console reads, on small and odd grids and viewports.
//
// Input: columns, rows, the viewport's four edges and a flags byte (bit 0: wrap off), then
// commands. A command letter takes the bytes after it:
//   W n bytes   write n bytes (CR, LF, NUL and all)      R n bytes  write them as a record
//   E           a zero-length write                       B n        start a read of 1 + n chars
//   K c         a character typed into the pending read   P n bytes  paste n bytes
//   C           Clear Paste                               T          toggle wrap
//   V t l b r   set the viewport                          S r c      set the position
// Any other byte is written as it is.
//
// A read runs as the library runs it, on one thread: the leftover first, then the paste queue,
// then typed characters with their echo, Backspace and Tab; a finished line is delivered and the
// cursor moves to the next line. After every command the model must hold: the position inside
// the viewport (the column at most one past it), every run inside the grid (and inside the
// viewport while it was never changed), runs sorted and never overlapping, no more characters
// than cells, and a copy of the whole window equal to what the screen shows.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/line_input.h"
#include "console/core/text_model.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/cell_screen.h"

namespace {

using namespace console;
using tavo::fuzz::Bytes;
using tavo::fuzz::exact_copy;

constexpr int kCell = 8;

struct Session {
  Session(int columns, int rows) : screen(columns, rows, kCell, kCell) {
    model.set_canvas(&screen);
    model.reset({columns * kCell, rows * kCell, kCell, kCell});
  }

  // Bytes handed over in a heap block of exactly their size.
  void write(std::string_view bytes) {
    auto copy = exact_copy(bytes);
    model.write(std::string_view(copy.get(), bytes.size()));
  }

  void begin_read(std::size_t n) {
    if (reading) return;
    std::string out;
    if (input.take_leftover(n, out)) {
      FUZZ_CHECK(out.size() <= n);
      return;
    }
    input.begin_line();
    reading = true;
    count = n;
    if (paste.pending()) write(input.continue_from_paste(count, paste).text);
    if (input.finished()) finish();
  }

  void type(unsigned char c) {
    if (!reading) return;  // a beep
    if (route_character(c, ReadPending::Yes, RunState::Running).route != CharRoute::Edit) return;
    const CursorAtFirstCell at =
        model.position() == TextPosition{1, 1} ? CursorAtFirstCell::Yes : CursorAtFirstCell::No;
    const LineEdit edit = input.type(c, at);
    if (edit.erase) FUZZ_CHECK(model.erase_back());
    if (!edit.echo.empty()) write(edit.echo);
    if (edit.finish) finish();
  }

  void paste_text(std::string_view text) {
    paste.fill(std::string(text));
    if (!reading || !paste.pending()) return;
    write(input.continue_from_paste(count, paste).text);
    if (input.finished()) finish();
  }

  void finish() {
    const std::string line = input.deliver(count);
    FUZZ_CHECK(line.size() <= count);
    reading = false;
    model.write("\r\n");
  }

  tavo::testing::CellScreen screen;
  TextModel model;
  LineInput input;
  PasteQueue paste;
  bool reading = false;
  std::size_t count = 0;
};

void check(const Session& s, bool viewport_changed) {
  const TextModel& m = s.model;
  const Viewport& v = m.viewport();
  const TextPosition p = m.position();
  FUZZ_CHECK(p.row >= 1 && p.row <= v.height());
  FUZZ_CHECK(p.column >= 1 && p.column <= v.width() + 1);

  const std::vector<TextRun> runs = m.runs();
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const TextRun& r = runs[i];
    FUZZ_CHECK(r.row >= 1 && r.row <= m.rows());
    FUZZ_CHECK(r.first_column >= 1 && r.first_column < r.end_column &&
               r.end_column <= m.columns() + 1);
    FUZZ_CHECK(r.text.size() == static_cast<std::size_t>(r.end_column - r.first_column));
    FUZZ_CHECK(!r.empty_record || r.text == " ");
    if (!viewport_changed) {
      FUZZ_CHECK(r.row >= v.top && r.row <= v.bottom);
      FUZZ_CHECK(r.first_column >= v.left && r.end_column <= v.right + 1);
    }
    if (i > 0 && runs[i - 1].row == r.row) FUZZ_CHECK(runs[i - 1].end_column <= r.first_column);
    if (i > 0) FUZZ_CHECK(runs[i - 1].row <= r.row);
  }
  FUZZ_CHECK(m.stored_characters() <= static_cast<std::size_t>(m.rows() * m.columns()));

  const std::vector<std::string> copied =
      tavo::testing::copied_rows(m.copy_text(1, 1, m.rows(), m.columns()));
  FUZZ_CHECK(copied.size() == static_cast<std::size_t>(m.rows()));
  for (int row = 1; row <= m.rows(); ++row)
    FUZZ_CHECK(copied[static_cast<std::size_t>(row - 1)] == s.screen.row_text(row));

  if (s.reading && !s.input.finished()) FUZZ_CHECK(s.input.line().size() <= kLineLimit);
}

Viewport viewport_from(Bytes& in, int columns, int rows) {
  Viewport v;
  v.top = 1 + in.u8() % rows;
  v.left = 1 + in.u8() % columns;
  v.bottom = v.top + in.u8() % (rows - v.top + 1);
  v.right = v.left + in.u8() % (columns - v.left + 1);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const int columns = 1 + in.u8() % 40;
  const int rows = 1 + in.u8() % 16;
  Session s(columns, rows);
  const Viewport first = viewport_from(in, columns, rows);
  FUZZ_CHECK(s.model.set_viewport(first));
  if (in.u8() & 1) s.model.set_wrap(Wrap::Off);
  bool viewport_changed = false;
  check(s, viewport_changed);

  // Commands with their bytes, read from a cursor over the rest.
  const std::string_view rest = in.rest();
  std::size_t at = 0;
  auto u8 = [&]() -> std::uint8_t {
    return at < rest.size() ? static_cast<std::uint8_t>(rest[at++]) : 0;
  };
  auto bytes = [&](std::size_t n) {
    const std::string_view b = rest.substr(std::min(at, rest.size()), n);
    at += b.size();
    return b;
  };
  while (at < rest.size()) {
    const char command = static_cast<char>(u8());
    switch (command) {
      case 'W':
        s.write(bytes(u8()));
        break;
      case 'R': {
        const std::string_view record = bytes(u8());
        auto copy = exact_copy(record);
        s.model.write_record(std::string_view(copy.get(), record.size()));
        break;
      }
      case 'E':
        s.write({});
        break;
      case 'B':
        s.begin_read(1 + static_cast<std::size_t>(u8()));
        break;
      case 'K':
        s.type(u8());
        break;
      case 'P':
        s.paste_text(bytes(u8()));
        break;
      case 'C':
        s.paste.clear();
        break;
      case 'T':
        s.model.set_wrap(s.model.wrap() == Wrap::On ? Wrap::Off : Wrap::On);
        break;
      case 'V': {
        const std::string_view e = bytes(4);
        Bytes edges(reinterpret_cast<const std::uint8_t*>(e.data()), e.size());
        const Viewport v = viewport_from(edges, columns, rows);
        if (v != s.model.viewport()) viewport_changed = true;
        FUZZ_CHECK(s.model.set_viewport(v));
        break;
      }
      case 'S': {
        const int row = u8();
        s.model.set_position({row, static_cast<int>(u8())});
        break;
      }
      default:
        s.write(std::string_view(&command, 1));
    }
    check(s, viewport_changed);
  }
  return 0;
}
