#include "study/scan.h"

#include <fast_float/fast_float.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "console/core/cp1252.h"

namespace study::detail {

namespace {

inline unsigned char byte(char c) {
  return static_cast<unsigned char>(c);
}
inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The length of the valid UTF-8 sequence at p (before e), or 0. With `truncated_ok`, a valid
// start that e cuts counts as valid up to e.
std::size_t utf8_length(const unsigned char* p, const unsigned char* e, bool truncated_ok) {
  const unsigned c = p[0];
  std::size_t n;
  unsigned low = 0x80, high = 0xBF;  // the second byte's range
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < n; ++i) {
    if (p + i == e) return truncated_ok ? static_cast<std::size_t>(e - p) : 0;
    const unsigned b = p[i];
    if (i == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
  }
  return n;
}

bool valid_utf8(const unsigned char* p, const unsigned char* e, bool truncated_ok) {
  while (p < e) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    const std::size_t n = utf8_length(p, e, truncated_ok);
    if (n == 0) return false;
    p += n;
  }
  return true;
}

// Eight bytes with a nonzero high bit where a byte of v is zero; the lowest such bit is exact
// (a borrow can only mark bytes above a zero one).
inline std::uint64_t zero_bytes(std::uint64_t v) {
  return (v - 0x0101010101010101u) & ~v & 0x8080808080808080u;
}

}  // namespace

// What ends an unquoted cell (the delimiter, CR, LF, NUL), eight bytes at a time: most of a
// field's bytes are in such cells.
char* Scanner::find_plain_stop(char* p, const char* end) const {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  const std::uint64_t delimiter = kOnes * byte(delimiter_);
  while (end - p >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    const std::uint64_t stops = zero_bytes(w ^ delimiter) | zero_bytes(w ^ (kOnes * '\n')) |
                                zero_bytes(w ^ (kOnes * '\r')) | zero_bytes(w);
    if (stops != 0) return p + __builtin_ctzll(stops) / 8;
    p += 8;
  }
  while (!plain_stop_[byte(*p)]) ++p;
  return p;
}

Number parse_number(std::string_view text, bool decimal_comma, double& value) noexcept {
  const char* b = text.data();
  const char* e = b + text.size();
  while (b < e && (*b == ' ' || *b == '\t')) ++b;
  while (e > b && (e[-1] == ' ' || e[-1] == '\t')) --e;
  if (b == e) return Number::Blank;
  // A sign, then a digit or the separator: this keeps out nan, inf and their spellings, which
  // the converter would take. The converter takes '-' but not '+'.
  const char* digits = b + (*b == '+' || *b == '-');
  if (digits == e || !(is_digit(*digits) || *digits == '.' || (decimal_comma && *digits == ',')))
    return Number::NotANumber;
  if (*b == '+') ++b;
  const char point = decimal_comma && std::memchr(b, ',', e - b) != nullptr ? ',' : '.';
  const auto r = fast_float::from_chars_advanced(
      b, e, value, fast_float::parse_options(fast_float::chars_format::general, point));
  if (r.ptr != e) return Number::NotANumber;
  if (r.ec == std::errc::invalid_argument) return Number::NotANumber;
  if (std::isinf(value)) return Number::NotFinite;
  return Number::Ok;  // an underflow is the nearest double, 0 or subnormal
}

bool is_valid_utf8(std::string_view text) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  return valid_utf8(p, p + text.size(), false);
}

Scanner::Scanner(int fd, std::string_view bytes, const ReadOptions& options)
    : fd_(fd), bytes_(bytes), name_(options.source_name) {
  cap_ = std::clamp<std::size_t>(options.buffer_bytes, 4, kMaxRowBytes);
  buf_.reset(new char[cap_ + 1]);
  buf_[0] = '\n';
  struct stat st;
  regular_file_ = fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
  set_delimiter(',');
}

void Scanner::set_delimiter(char d) {
  delimiter_ = d;
  for (int i = 0; i < 256; ++i) {
    blank_[i] = plain_stop_[i] = quoted_stop_[i] = line_stop_[i] = false;
  }
  blank_[byte(' ')] = true;
  if (d != '\t') blank_[byte('\t')] = true;
  for (char c : {'\r', '\n', '\0'}) {
    plain_stop_[byte(c)] = quoted_stop_[byte(c)] = line_stop_[byte(c)] = true;
  }
  plain_stop_[byte(d)] = true;
  quoted_stop_[byte('"')] = true;
}

std::string Scanner::column(std::size_t index) const {
  if (index < column_names_.size()) return "column " + quoted_for_message(column_names_[index]);
  return "column " + std::to_string(index + 1);
}

RowStatus Scanner::fail(std::size_t line, const std::string& what) {
  if (!error_.failed() && !peeking_) {
    // Appended, not concatenated: GCC 12 warns of an overlap in "x" + std::string (-Wrestrict).
    std::string& m = error_.message;
    m = name_;
    if (line > 0) {
      m += ':';
      m += std::to_string(line);
    }
    m += ": ";
    m += what;
    error_.line = line;
  }
  return RowStatus::Failed;
}

std::string Scanner::to_utf8(std::string_view bytes) const {
  if (encoding_ == Encoding::Cp1252) return console::cp1252::to_utf8(bytes);
  return std::string(bytes);
}

bool Scanner::append_text(const Cell& cell, std::size_t column_index, std::string& out) {
  const std::string_view text = cell.text();
  if (encoding_ == Encoding::Undecided) {  // nothing but ASCII read so far
    out += text;
  } else if (encoding_ == Encoding::Cp1252) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return byte(c) < 0x80; });
    out += ascii ? std::string(text) : console::cp1252::to_utf8(text);
  } else if (is_valid_utf8(text)) {
    out += text;
  } else {
    fail(cell.line, column(column_index) +
                        ": text that is not UTF-8, in a table whose first letters beyond "
                        "ASCII are UTF-8");
    return false;
  }
  return true;
}

std::string quoted_for_message(std::string_view utf8) {
  std::string text(utf8);
  if (!is_valid_utf8(text)) {
    for (char& c : text)
      if (byte(c) >= 0x80) c = '?';
  }
  constexpr std::size_t kMaxShown = 40;  // code points
  std::size_t points = 0, cut = text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char& c = text[i];
    if (byte(c) < 0x20 || c == 0x7F) c = '?';  // the message stays one line
    if ((byte(c) & 0xC0) != 0x80 && ++points == kMaxShown - 2 && cut == text.size()) cut = i;
  }
  if (points > kMaxShown) text = text.substr(0, cut) + "...";
  return "\"" + text + "\"";
}

std::string Scanner::shown(const Cell& cell) const {
  return quoted_for_message(to_utf8(cell.text()));
}

bool Scanner::source_idle() const {
  if (fd_ < 0 || regular_file_) return false;
  // A pipe that a fast writer refills is rarely empty this long, so its chunks stay whole.
  constexpr int kIdleMilliseconds = 50;
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, kIdleMilliseconds) == 0;
}

void Scanner::note_encoding(const char* from, const char* to) {
  if (encoding_ != Encoding::Undecided) return;
  const auto* p = reinterpret_cast<const unsigned char*>(from);
  const auto* e = reinterpret_cast<const unsigned char*>(to);
  bool whole_seen = false;  // a whole sequence beyond ASCII
  // Eight bytes at a time while they are ASCII: all of a table's bytes pass here until then.
  while (e - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & 0x8080808080808080u) break;
    p += 8;
  }
  while (p < e) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    const std::size_t n = utf8_length(p, e, false);
    if (n > 0) {
      whole_seen = true;
      p += n;
      continue;
    }
    if (!eof_ && utf8_length(p, e, true) == static_cast<std::size_t>(e - p)) {
      // A sequence the read cut: the next read tells, unless whole ones came before.
      if (whole_seen) break;
      pending_ = static_cast<std::size_t>(e - p);
      return;
    }
    encoding_ = Encoding::Cp1252;
    return;
  }
  pending_ = 0;
  if (whole_seen) encoding_ = Encoding::Utf8;
}

RowStatus Scanner::refill() {
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  do {
    if (end_ == cap_) {
      if (cap_ >= kMaxRowBytes) {
        if (open_quote_line_ > 0)
          return fail(open_quote_line_, "a quoted cell that does not close within 64 MiB");
        return fail(line_, "a row longer than 64 MiB");
      }
      const std::size_t cap = std::min(2 * cap_, kMaxRowBytes);
      std::unique_ptr<char[]> bigger(new char[cap + 1]);
      std::memcpy(bigger.get(), buf_.get(), end_);
      buf_ = std::move(bigger);
      cap_ = cap;
    }
    std::size_t n = 0;
    if (fd_ < 0) {
      n = std::min(cap_ - end_, bytes_.size());
      std::memcpy(buf_.get() + end_, bytes_.data(), n);
      bytes_.remove_prefix(n);
    } else {
      ssize_t got;
      for (;;) {
        got = ::read(fd_, buf_.get() + end_, cap_ - end_);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {  // a non-blocking source
          pollfd wait{fd_, POLLIN, 0};
          ::poll(&wait, 1, -1);
          continue;
        }
        break;
      }
      if (got < 0) {
        buf_[end_] = '\n';
        return fail(0, std::string("cannot read: ") + std::strerror(errno));
      }
      n = static_cast<std::size_t>(got);
    }
    if (n == 0) eof_ = true;
    note_encoding(buf_.get() + end_ - pending_, buf_.get() + end_ + n);
    end_ += n;
  } while (!started_ && end_ < 3 && !eof_);
  buf_[end_] = '\n';
  if (!started_) {
    started_ = true;
    const auto b = [&](std::size_t i) { return i < end_ ? byte(buf_[i]) : 0u; };
    if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
      encoding_ = Encoding::Utf8;
      pos_ = 3;
    } else if ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF)) {
      return fail(0, "UTF-16 text: save the table as UTF-8 or as CSV");
    }
  }
  return RowStatus::Row;
}

// p is at a CR, an LF or the sentinel: steps over the line end. At the sentinel the source's end
// is the row's end, and no line is counted.
Scanner::Scan Scanner::cut_line_end(const char*& p, std::size_t& line) {
  const char* const end = buf_.get() + end_;
  if (p == end) return eof_ ? Scan::Data : Scan::Incomplete;
  if (*p == '\r') {
    if (p + 1 == end && !eof_) return Scan::Incomplete;  // CR LF or a lone CR
    ++p;
    if (p != end && *p == '\n') ++p;
  } else {
    ++p;
  }
  ++line;
  return Scan::Data;
}

Scanner::Scan Scanner::scan_row(std::size_t at, std::size_t& row_end, std::size_t& line) {
  const char* const base = buf_.get();
  const char* const end = base + end_;
  char* p = buf_.get() + at;
  const auto nul = [&] {
    fail(line, "a NUL byte: this is not a text table");
    return Scan::Failed;
  };
  cells_.clear();
  open_quote_line_ = 0;
  while (blank_[byte(*p)]) ++p;
  if (*p == '#') {
    while (!line_stop_[byte(*p)]) ++p;
    if (*p == '\0') return nul();
    const char* q = p;
    const Scan s = cut_line_end(q, line);
    if (s != Scan::Data) return s;
    row_end = static_cast<std::size_t>(q - base);
    return Scan::Skip;
  }
  bool all_empty = true;
  for (;;) {
    Cell cell;
    cell.line = line;
    while (blank_[byte(*p)]) ++p;
    if (*p == '"') {
      cell.quoted = true;
      cell.begin = ++p;
      for (;;) {
        while (!quoted_stop_[byte(*p)]) ++p;
        if (*p == '"') {
          if (p + 1 == end && !eof_) {  // "" or the closing quote: the next read tells
            open_quote_line_ = cell.line;
            return Scan::Incomplete;
          }
          if (p[1] == '"') {
            cell.escapes = true;
            p += 2;
            continue;
          }
          cell.end = p++;
          break;
        }
        if (*p == '\0' && p != end) return nul();
        if (p == end && eof_) {
          fail(cell.line, column(cells_.size()) + ": a quoted cell that does not close");
          return Scan::Failed;
        }
        const char* q = p;
        if (cut_line_end(q, line) == Scan::Incomplete) {
          open_quote_line_ = cell.line;
          return Scan::Incomplete;
        }
        p = const_cast<char*>(q);
      }
      while (blank_[byte(*p)]) ++p;
      if (*p == '\0' && p != end) return nul();
      if (*p != delimiter_ && *p != '\r' && *p != '\n') {
        fail(line, column(cells_.size()) + ": text after the closing quote of a cell");
        return Scan::Failed;
      }
    } else {
      cell.begin = p;
      p = find_plain_stop(p, end);
      if (*p == '\0') return nul();
      char* e = p;
      while (e > cell.begin && blank_[byte(e[-1])]) --e;
      cell.end = e;
    }
    if (cell.begin != cell.end) all_empty = false;
    cells_.push_back(cell);
    if (*p == delimiter_) {
      ++p;
      continue;
    }
    const char* q = p;
    const Scan s = cut_line_end(q, line);
    if (s != Scan::Data) return s;
    p = const_cast<char*>(q);
    break;
  }
  row_end = static_cast<std::size_t>(p - base);
  return all_empty ? Scan::Skip : Scan::Data;
}

RowStatus Scanner::next_row(bool stop_when_idle) {
  if (error_.failed()) return RowStatus::Failed;
  while (!started_)
    if (refill() == RowStatus::Failed) return RowStatus::Failed;
  for (;;) {
    if (pos_ == end_ && eof_) return RowStatus::End;
    std::size_t row_end = 0, line = line_;
    const Scan s = scan_row(pos_, row_end, line);
    if (s == Scan::Failed) return RowStatus::Failed;
    if (s == Scan::Incomplete) {
      if (stop_when_idle && source_idle()) return RowStatus::Idle;
      if (refill() == RowStatus::Failed) return RowStatus::Failed;
      continue;
    }
    const std::size_t row_line = line_;
    pos_ = row_end;
    line_ = line;
    if (s == Scan::Skip) continue;
    row_line_ = row_line;
    // Only a row known to be whole is changed in place: a cut one is cut again after the read.
    for (Cell& cell : cells_) {
      if (!cell.escapes) continue;
      char* w = cell.begin;
      for (const char* r = cell.begin; r < cell.end; ++r) {
        *w++ = *r;
        if (*r == '"') ++r;  // inside quotes every quote is doubled
      }
      cell.end = w;
      cell.escapes = false;
    }
    return RowStatus::Row;
  }
}

RowStatus Scanner::choose_delimiter() {
  if (error_.failed()) return RowStatus::Failed;
  while (!started_)
    if (refill() == RowStatus::Failed) return RowStatus::Failed;
  // Comment lines and lines of nothing but blanks and delimiters go first, whatever the
  // delimiter.
  for (;;) {
    if (pos_ == end_ && eof_) return RowStatus::End;
    const char* p = buf_.get() + pos_;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '#')
      while (!line_stop_[byte(*p)]) ++p;
    while (*p == ' ' || *p == '\t' || *p == ',' || *p == ';') ++p;
    if (*p == '\0' && p != buf_.get() + end_) {
      return fail(line_, "a NUL byte: this is not a text table");
    }
    if (*p != '\r' && *p != '\n') break;
    std::size_t line = line_;
    if (cut_line_end(p, line) == Scan::Incomplete) {
      if (refill() == RowStatus::Failed) return RowStatus::Failed;
      continue;
    }
    pos_ = static_cast<std::size_t>(p - buf_.get());
    line_ = line;
  }
  // The candidate that cuts the first row with a value into the most cells. One that cannot cut
  // it (text after a closing quote, say) counts none; if none can, the comma's error is the one
  // the header's read reports.
  std::size_t most = 0;
  char chosen = ',';
  bool cut_failed = false;
  for (char d : {'\t', ';', ','}) {
    set_delimiter(d);
    std::size_t offset = 0, line = line_;  // from pos_, which a read may move
    for (;;) {
      if (pos_ + offset == end_ && eof_) break;
      std::size_t row_end = 0;
      std::size_t row_line = line;
      peeking_ = true;
      const Scan s = scan_row(pos_ + offset, row_end, row_line);
      peeking_ = false;
      if (s == Scan::Failed) {
        cut_failed = true;
        break;
      }
      if (s == Scan::Incomplete) {
        if (refill() == RowStatus::Failed) return RowStatus::Failed;
        continue;
      }
      if (s == Scan::Data) {
        if (cells_.size() > most) {
          most = cells_.size();
          chosen = d;
        }
        break;
      }
      offset = row_end - pos_;
      line = row_line;
    }
  }
  set_delimiter(chosen);
  cells_.clear();
  return most == 0 && !cut_failed ? RowStatus::End : RowStatus::Row;
}

}  // namespace study::detail
