// Internals of the table reader: the read buffer over a byte source, the cutting of rows into
// cells, the text encoding and the number syntax. Not part of the library's interface.
//
// The buffer holds the bytes from the current row's start to what has been read, and one byte
// more that is always '\n': every scanning loop stops there without a bounds test, and only a
// stop at that sentinel asks whether the row is cut by the buffer's end (more to read) or by
// the end of the source.
//
//     buf_                 pos_ (row start)            end_   cap_
//     |  consumed, moved   |  row being cut ...         |\n    |
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "study/table.h"

namespace study::detail {

enum class Number {
  Blank,       // nothing but blanks
  Ok,          // `value` holds it
  NotANumber,  // anything else, including nan, inf, hex and blanks inside
  NotFinite,   // a number beyond the range of double
};

// The exact double nearest to `text` (blanks around it ignored); with `decimal_comma` the
// decimal separator may be a comma instead of a point. No locale, no allocation.
Number parse_number(std::string_view text, bool decimal_comma, double& value) noexcept;

bool is_valid_utf8(std::string_view text) noexcept;

// A text for a message: in quotes, on one line (controls become '?'), at most 40 characters.
std::string quoted_for_message(std::string_view utf8);

// A cell of the current row: its content without the surrounding blanks (unquoted) or without
// its quotes with each "" turned into " (quoted). Points into the buffer until the next row.
struct Cell {
  char* begin = nullptr;
  char* end = nullptr;
  std::size_t line = 0;  // where the cell starts
  bool quoted = false;
  bool escapes = false;  // a quoted cell with "" inside, still to be resolved

  std::string_view text() const { return {begin, static_cast<std::size_t>(end - begin)}; }
};

enum class RowStatus {
  Row,     // cells() holds the next row
  End,     // no more rows
  Idle,    // the source has nothing ready (only when asked to stop then)
  Failed,  // error() says why
};

enum class Encoding { Undecided, Utf8, Cp1252 };

class Scanner {
 public:
  // Reads `fd` when it is 0 or above, else `bytes`.
  Scanner(int fd, std::string_view bytes, const ReadOptions& options);

  // Picks the delimiter for the rest of the table from the first row that is neither blank nor
  // a comment: End when there is none.
  RowStatus choose_delimiter();
  char delimiter() const { return delimiter_; }
  bool decimal_comma() const { return delimiter_ != ','; }

  // The next row that is neither blank nor a comment. With `stop_when_idle`, returns Idle rather
  // than wait longer for a pipe or terminal that has given nothing for a while.
  RowStatus next_row(bool stop_when_idle = false);
  std::vector<Cell>& cells() { return cells_; }
  std::size_t row_line() const { return row_line_; }

  // Appends a cell's text as UTF-8; false (with the error set) when it is not valid UTF-8 in a
  // table taken as UTF-8.
  bool append_text(const Cell& cell, std::size_t column, std::string& out);
  // The cell's text for a message: quoted, UTF-8, shortened.
  std::string shown(const Cell& cell) const;

  // Names the columns in cell messages; until then they are numbered.
  void set_column_names(std::vector<std::string> names) { column_names_ = std::move(names); }
  // `column "lift"` or `column 3` (index 0-based).
  std::string column(std::size_t index) const;

  // Sets the error "NAME:LINE: what" (line 0: "NAME: what") and returns Failed.
  RowStatus fail(std::size_t line, const std::string& what);
  const Error& error() const { return error_; }

 private:
  enum class Scan { Data, Skip, Incomplete, Failed };

  void set_delimiter(char d);
  Scan scan_row(std::size_t at, std::size_t& row_end, std::size_t& lines);
  Scan cut_line_end(const char*& p, std::size_t& line);
  char* find_plain_stop(char* p, const char* end) const;
  RowStatus refill();
  bool source_idle() const;
  void note_encoding(const char* from, const char* to);
  std::string to_utf8(std::string_view bytes) const;

  int fd_;
  bool regular_file_ = false;
  std::string_view bytes_;  // what is left of an in-memory source
  std::string name_;
  std::unique_ptr<char[]> buf_;
  std::size_t cap_ = 0;  // usable bytes, the sentinel's byte not counted
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool started_ = false;  // the first bytes have been looked at for a byte-order mark
  std::size_t line_ = 1;  // at pos_
  std::size_t row_line_ = 0;
  std::size_t open_quote_line_ = 0;  // a quoted cell the buffer's end cut, for the size error
  Encoding encoding_ = Encoding::Undecided;
  std::size_t pending_ = 0;  // bytes at end_ that may start a UTF-8 sequence, still undecided
  bool peeking_ = false;     // a delimiter is being tried: its failures are not the table's

  char delimiter_ = ',';
  bool blank_[256] = {};
  bool plain_stop_[256] = {};   // what ends an unquoted cell
  bool quoted_stop_[256] = {};  // what a quoted cell stops at
  bool line_stop_[256] = {};    // what ends a comment line

  std::vector<Cell> cells_;
  std::vector<std::string> column_names_;
  Error error_;
};

}  // namespace study::detail
