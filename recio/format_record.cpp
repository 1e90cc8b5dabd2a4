#include "recio/format_record.h"

#include <cstdint>
#include <optional>
#include <string>

namespace recio {
namespace {

constexpr char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
constexpr bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Recursive-descent compiler over the format text. Blanks outside literals are skipped.
class Compiler {
 public:
  Compiler(std::string_view text, std::vector<std::uint32_t>& out) : text_(text), out_(out) {}

  CompileResult run() {
    out_.clear();
    if (!expect('(', "'(' to open the format")) return error_;
    put(Op{Kind::FormatStart});
    if (!list(0)) return error_;
    put(Op{Kind::FormatEnd});
    if (peek() != 0) fail("nothing after the closing ')'");
    return error_;
  }

 private:
  // Next significant character (upper case), 0 at the end; does not consume it.
  char peek() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
    return at_ < text_.size() ? upper(text_[at_]) : 0;
  }
  bool eat(char c) {
    if (peek() != c) return false;
    ++at_;
    return true;
  }
  bool expect(char c, std::string_view what) { return eat(c) || fail(what); }
  bool fail(std::string_view what) {
    if (error_.status == kOk) error_ = {status_of(kFormatSyntax), at_, what};
    return false;
  }

  // An unsigned number; false (with the error) when none is there or it exceeds `max`.
  bool number(std::int64_t max, std::int64_t& value, std::string_view what) {
    if (!is_digit(peek())) return fail(what);
    value = 0;
    const std::size_t first = at_;
    while (is_digit(peek())) {
      value = value * 10 + (text_[at_++] - '0');
      if (value > max) {
        at_ = first;
        return fail("a number within range");
      }
    }
    return true;
  }

  void put(const Op& op) {
    if (traits(op.kind).stored == StoredForm::Short) {
      std::uint32_t word = 0;
      encode_short(op, word);  // operands are range-checked by the parser
      out_.push_back(word);
    } else {
      for (std::uint32_t word : encode_long(op)) out_.push_back(word);
    }
  }

  void put_literal(std::string_view bytes) {
    out_.push_back(literal_head(bytes.size()));
    std::size_t first = out_.size();
    out_.resize(first + (bytes.size() + 3) / 4, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      out_[first + i / 4] |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                             << (8 * (i % 4));
  }

  // Items up to and including the ')' that closes the list.
  bool list(int depth) {
    bool need_comma = false;  // the last item must be followed by ',' or ')'
    bool comma_ok = false;    // an item ended, so a ',' may come
    bool after_comma = false;
    for (;;) {
      const char c = peek();
      if (c == 0)
        return expect(')', depth == 0 ? "')' to close the format" : "')' to close the group");
      if (c == ')') {
        if (after_comma) return fail("an item after ','");
        ++at_;
        return true;
      }
      if (c == ',') {
        if (!comma_ok) return fail("an item before ','");
        ++at_;
        need_comma = comma_ok = false;
        after_comma = true;
        continue;
      }
      after_comma = false;
      comma_ok = true;
      if (c == '/' || c == ':' || c == '$' || c == '\\') {
        ++at_;
        put(Op{c == '/' ? Kind::Slash : c == ':' ? Kind::Colon : Kind::Dollar});
        need_comma = false;
        continue;
      }
      if (need_comma) return fail("',' between items");
      const Parsed p = item(depth);
      if (p == Parsed::Failed) return false;
      need_comma = p == Parsed::NeedsComma;
    }
  }

  // How parsing one item went: failed (error_ says why), or parsed, and then whether the next item
  // needs a ',' before it. After kP and n/ it may follow at once, as in 1PE12.4 or 2/I5.
  enum class Parsed : std::uint8_t { Failed, NeedsComma, NoCommaNeeded };
  static Parsed parsed(bool ok) { return ok ? Parsed::NeedsComma : Parsed::Failed; }

  // One item other than ',', ')' and the unnumbered separators.
  Parsed item(int depth) {
    const char c = peek();
    if (c == '+' || c == '-' || is_digit(c)) return counted_item(depth);
    return uncounted_item(depth, c);
  }

  // An item that starts with a number: kP (the number may be signed), nX, nH, n/, a repeated
  // group or a repeated data edit descriptor.
  Parsed counted_item(int depth) {
    const std::size_t start = at_;
    const char sign = peek();
    std::int64_t n = 0;
    if (sign == '+' || sign == '-') {
      ++at_;
      if (!number(INT32_MAX, n, "digits of the scale factor")) return Parsed::Failed;
      if (peek() != 'P') return parsed(fail("'P' after a signed number"));
      if (sign == '-') n = -n;
    } else if (!number(INT32_MAX, n, "")) {
      return Parsed::Failed;
    }
    const char c = peek();
    if (c == 'P') {
      ++at_;
      put(Op{Kind::Scale, 1, static_cast<std::int32_t>(n)});
      return Parsed::NoCommaNeeded;
    }
    if (n > kMaxOperand || n == 0) {
      at_ = start;
      return parsed(fail("a count from 1 to 32767"));
    }
    const auto count = static_cast<std::int32_t>(n);
    switch (c) {
      case 'X':
        ++at_;
        put(Op{Kind::TR, 1, count});
        return Parsed::NeedsComma;
      case 'H':
        return parsed(hollerith(static_cast<std::size_t>(count)));
      case '/':
        ++at_;
        put(Op{Kind::Slash, count});
        return Parsed::NoCommaNeeded;
      case '(':
        return parsed(group(depth, count));
      default:
        return parsed(descriptor(count));
    }
  }

  // An item without a count, starting with `c`.
  Parsed uncounted_item(int depth, char c) {
    switch (c) {
      case '(':
        return parsed(group(depth, 1));
      case '\'':
      case '"':
        return parsed(quoted(c));
      case 'X':
        ++at_;
        put(Op{Kind::TR, 1, 1});
        return Parsed::NeedsComma;
      case 'Q':
        ++at_;
        put(Op{Kind::Q});
        return Parsed::NeedsComma;
      case 'S':
        ++at_;
        put(Op{eat('P') ? Kind::SP : eat('S') ? Kind::SS : Kind::S});
        return Parsed::NeedsComma;
      case 'T':
        return parsed(tab());
      case 'B': {
        const std::size_t save = at_++;
        if (eat('N') || eat('Z')) {
          put(Op{upper(text_[at_ - 1]) == 'N' ? Kind::BN : Kind::BZ});
          return Parsed::NeedsComma;
        }
        at_ = save;  // B, Bw or Bw.m
        return parsed(descriptor());
      }
      default:
        return parsed(descriptor());
    }
  }

  // nH at the H: the n characters right after it, blanks included.
  bool hollerith(std::size_t n) {
    ++at_;
    if (text_.size() - at_ < n) return fail("as many characters as the H count");
    put_literal(text_.substr(at_, n));
    at_ += n;
    return true;
  }

  // Tc, TLn or TRn at the T.
  bool tab() {
    ++at_;
    const Kind k = eat('L') ? Kind::TL : eat('R') ? Kind::TR : Kind::T;
    std::int64_t n = 0;
    if (!number(kMaxOperand, n, k == Kind::T ? "a column after T" : "a count after TL/TR"))
      return false;
    if (k == Kind::T && n == 0) return fail("a column from 1");
    put(Op{k, 1, static_cast<std::int32_t>(n)});
    return true;
  }

  bool group(int depth, std::int32_t repeat) {
    if (depth + 1 > kMaxGroupDepth) return fail("groups nested at most 8 deep");
    ++at_;
    put(Op{Kind::GroupStart, repeat});
    if (!list(depth + 1)) return false;
    put(Op{Kind::GroupEnd});
    return true;
  }

  bool quoted(char quote) {
    std::string bytes;  // format text is short; compiling allocates anyway
    ++at_;
    for (;;) {
      if (at_ >= text_.size()) return fail("the closing quote");
      char ch = text_[at_++];
      if (ch == quote) {
        if (at_ < text_.size() && text_[at_] == quote) {
          bytes.push_back(quote);
          ++at_;
          continue;
        }
        break;
      }
      bytes.push_back(ch);
    }
    if (bytes.size() > 0xffff) return fail("a literal of at most 65535 characters");
    put_literal(bytes);
    return true;
  }

  // A data edit descriptor at the current position, after its repeat count if it has one: its
  // letters, then what follows them picks the kind (A or Aw, Iw or Iw.m, Ew.d or Ew.dEe).
  bool descriptor(std::optional<std::int32_t> count = std::nullopt) {
    const std::size_t start = at_;
    const char c = peek();
    if (c == 0) return fail("an edit descriptor");
    ++at_;
    char letters[2] = {c, 0};
    std::string_view name(letters, 1);
    if (c == 'E' && (eat('N') || eat('S'))) {
      letters[1] = upper(text_[at_ - 1]);
      name = std::string_view(letters, 2);
    }
    auto kind = [name](Shape shape) { return data_edit_kind(name, shape); };
    constexpr Kind none = Kind::Invalid;
    if (kind(Shape::Bare) == none) {
      at_ = start;
      return fail(count ? "an edit descriptor or '(' after the count" : "an edit descriptor");
    }
    Op op{kind(Shape::Bare), count.value_or(1)};
    std::int64_t w = 0, d = 0, e = 0;
    if (is_digit(peek())) {  // a width: Aw, Iw, Iw.m, Ew.d, Ew.dEe
      if (!number(kMaxOperand, w, "")) return false;
      op.w = static_cast<std::int32_t>(w);
      if (kind(Shape::WD) != none) {
        if (!expect('.', "'.' and the digits after the width")) return false;
        if (!number(kMaxDigits, d, "digits after '.'")) return false;
        op.kind = kind(Shape::WD);
        op.d = static_cast<std::uint8_t>(d);
        if (kind(Shape::WDE) != none && peek() == 'E') {
          ++at_;
          if (!number(kMaxDigits, e, "exponent digits after E")) return false;
          if (e == 0) return fail("at least one exponent digit");
          op.kind = kind(Shape::WDE);
          op.e = static_cast<std::uint8_t>(e);
        }
      } else if (kind(Shape::WM) != none && eat('.')) {
        if (!number(kMaxDigits, d, "the minimum digits after '.'")) return false;
        op.kind = kind(Shape::WM);
        op.d = static_cast<std::uint8_t>(d);
      } else {
        op.kind = kind(Shape::W);
      }
    }
    put(op);
    return true;
  }

  std::string_view text_;
  std::vector<std::uint32_t>& out_;
  std::size_t at_ = 0;
  CompileResult error_;
};

}  // namespace

CompileResult compile_format(std::string_view text, std::vector<std::uint32_t>& out) {
  CompileResult r = Compiler(text, out).run();
  if (r.status != kOk) out.clear();
  return r;
}

}  // namespace recio
