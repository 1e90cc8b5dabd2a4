// A JSON text written as it goes, element by element, with no document in memory: two-space
// indentation, except that a container declared Line (for containers of scalars) stays on one
// line; numbers in their shortest round-trip form, texts escaped as JSON requires.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace results {

class JsonWriter {
 public:
  enum class Layout : std::uint8_t {
    Block,  // one element per line, indented
    Line,   // all elements on one line, ", " between them
  };

  // Appends to `out`, which the caller may drain between elements.
  explicit JsonWriter(std::string& out) : out_(out) {}
  // Appends elements to a Block container opened `depth` levels deep by another writer, which
  // has written elements into it already when `continues`: for pieces written apart and joined
  // in order.
  JsonWriter(std::string& out, std::size_t depth, bool continues) : out_(out) {
    levels_.assign(depth, Level{Layout::Block, false});
    if (depth > 0) levels_.back().empty = !continues;
  }

  void begin_object(Layout layout = Layout::Block) { open('{', layout); }
  void end_object() { close('}'); }
  void begin_array(Layout layout = Layout::Block) { open('[', layout); }
  void end_array() { close(']'); }

  // A member's key; its value follows.
  JsonWriter& key(std::string_view name);

  // A number: null when not finite.
  void number(double v);
  void integer(std::int64_t v);
  void boolean(bool v);
  void null();
  // A UTF-8 text.
  void text(std::string_view utf8);

 private:
  struct Level {
    Layout layout;
    bool empty = true;
  };

  void element();
  void open(char bracket, Layout layout);
  void close(char bracket);
  void indent(std::size_t depth);
  void quoted(std::string_view s);

  std::string& out_;
  std::vector<Level> levels_;
  bool after_key_ = false;
};

}  // namespace results
