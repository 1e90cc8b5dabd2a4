#include "results/json_writer.h"

#include <charconv>
#include <cmath>

#include "results/export.h"

namespace results {

void JsonWriter::element() {
  if (after_key_) {  // the value of the member just begun
    after_key_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  const bool line = level.layout == Layout::Line;
  if (!level.empty) out_ += line ? ", " : ",";
  if (!line) indent(levels_.size());
  level.empty = false;
}

void JsonWriter::open(char bracket, Layout layout) {
  element();
  out_ += bracket;
  levels_.push_back({layout});
}

void JsonWriter::close(char bracket) {
  const Level level = levels_.back();
  levels_.pop_back();
  if (!level.empty && level.layout == Layout::Block) indent(levels_.size());
  out_ += bracket;
}

void JsonWriter::indent(std::size_t depth) {
  out_ += '\n';
  out_.append(2 * depth, ' ');
}

JsonWriter& JsonWriter::key(std::string_view name) {
  element();
  quoted(name);
  out_ += ": ";
  after_key_ = true;
  return *this;
}

void JsonWriter::number(double v) {
  if (!std::isfinite(v)) return null();
  element();
  append_shortest(out_, v);
}

void JsonWriter::integer(std::int64_t v) {
  element();
  char buf[24];
  out_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

void JsonWriter::boolean(bool v) {
  element();
  out_ += v ? "true" : "false";
}

void JsonWriter::null() {
  element();
  out_ += "null";
}

void JsonWriter::text(std::string_view utf8) {
  element();
  quoted(utf8);
}

void JsonWriter::quoted(std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out_ += '"';
  for (char c : s) {
    switch (c) {
      case '"':
        out_ += "\\\"";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      case '\b':
        out_ += "\\b";
        break;
      case '\f':
        out_ += "\\f";
        break;
      case '\n':
        out_ += "\\n";
        break;
      case '\r':
        out_ += "\\r";
        break;
      case '\t':
        out_ += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out_ += "\\u00";
          out_ += kHex[(c >> 4) & 0xF];
          out_ += kHex[c & 0xF];
        } else {
          out_ += c;
        }
    }
  }
  out_ += '"';
}

}  // namespace results
