// The table reader of `tavo study` on arbitrary text.
//
// Input: one byte of options (bits 0-1 the dimension 0-3, bit 2 a volume of 2 given, bits 3-7
// the read buffer's size less 4, so 4-35 bytes), one byte for the chunk size (1-256 points),
// then the table.
//
// The table is read twice: with a buffer of 1 MiB in chunks of a million points, and with the
// small buffer in small chunks. Both give the same table or the same message, unless the first
// bytes beyond ASCII are valid UTF-8 and later ones are not (the read that first holds them
// decides, so the buffer's size may). Every outcome is checked: a message of one line naming
// the table; texts in UTF-8; meshes coarse to fine with h finite and > 0; values finite or
// blank; chunks within their size, their vectors of consistent sizes. Each line of the text
// taken as a number converts to the value std::from_chars gives it.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "study/scan.h"
#include "study/table.h"

namespace {

using study::detail::is_valid_utf8;

bool valid_h(const std::vector<double>& h) {
  for (std::size_t i = 0; i < h.size(); ++i) {
    if (!(h[i] > 0) || !std::isfinite(h[i])) return false;
    if (i > 0 && !(h[i] < h[i - 1])) return false;
  }
  return true;
}

bool finite_or_blank(double v) {
  return std::isfinite(v) || std::isnan(v);
}

void append_number(std::string& s, double v) {
  char buf[32];
  s.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  s += ' ';
}

// The outcome as text: the message, or everything the reader handed out.
std::string read(std::string_view text, const study::ReadOptions& options, std::size_t chunk) {
  study::TableReader reader(text, options);
  study::Error e = reader.read_header();
  std::string out;
  if (!e.failed() && reader.layout() == study::Layout::MeshesAsRows) {
    study::MeshTable t;
    e = reader.read_meshes(t);
    if (!e.failed()) {
      FUZZ_CHECK(!t.quantities.empty() && !t.schemes.empty());
      FUZZ_CHECK(t.exact.size() == t.quantities.size());
      for (const std::string& q : t.quantities) FUZZ_CHECK(is_valid_utf8(q) && !q.empty());
      bool known = false;
      for (double v : t.exact) {
        FUZZ_CHECK(finite_or_blank(v));
        known |= !std::isnan(v);
        append_number(out, v);
      }
      FUZZ_CHECK(known == t.has_exact);
      for (const study::Scheme& s : t.schemes) {
        FUZZ_CHECK(is_valid_utf8(s.name) && !s.meshes.empty());
        out += s.name + "\n";
        std::vector<double> h;
        for (const study::Mesh& m : s.meshes) {
          FUZZ_CHECK(m.values.size() == t.quantities.size() && m.line > 0);
          h.push_back(m.h);
          append_number(out, m.h);
          append_number(out, m.cells);
          for (double v : m.values) {
            FUZZ_CHECK(finite_or_blank(v));
            append_number(out, v);
          }
        }
        FUZZ_CHECK(valid_h(h));
      }
    }
  } else if (!e.failed()) {
    const study::FieldHeader& header = reader.field_header();
    FUZZ_CHECK(!header.h.empty() && valid_h(header.h));
    FUZZ_CHECK(header.cells.empty() || header.cells.size() == header.h.size());
    for (const std::string& l : header.labels) FUZZ_CHECK(is_valid_utf8(l) && !l.empty());
    for (double h : header.h) append_number(out, h);
    study::FieldChunk c;
    std::size_t next = 0;
    for (;;) {
      e = reader.next_chunk(c, chunk);
      if (e.failed()) {
        FUZZ_CHECK(c.points == 0 && c.values.empty());
        break;
      }
      if (c.points == 0) break;
      FUZZ_CHECK(c.points <= chunk && c.first_point == next);
      FUZZ_CHECK(c.meshes == header.h.size() && c.label_columns == header.labels.size());
      FUZZ_CHECK(c.values.size() == c.points * c.meshes);
      FUZZ_CHECK(c.exact.size() == (header.has_exact ? c.points : 0));
      FUZZ_CHECK(c.label_ends.size() == c.points * c.label_columns);
      FUZZ_CHECK(c.label_ends.empty() || c.label_ends.back() == c.label_text.size());
      FUZZ_CHECK(is_valid_utf8(c.label_text));
      next += c.points;
      for (std::size_t p = 0; p < c.points; ++p) {
        for (std::size_t l = 0; l < c.label_columns; ++l) {
          out += c.label(p, l);
          out += '|';
        }
        for (std::size_t m = 0; m < c.meshes; ++m) {
          FUZZ_CHECK(finite_or_blank(c.value(p, m)));
          append_number(out, c.value(p, m));
        }
        if (header.has_exact) append_number(out, c.exact[p]);
      }
    }
  }
  if (e.failed()) {
    FUZZ_CHECK(e.message.rfind(options.source_name + ":", 0) == 0);
    FUZZ_CHECK(e.message.find('\n') == std::string::npos);
    FUZZ_CHECK(e.message.find('\r') == std::string::npos);
    FUZZ_CHECK(is_valid_utf8(e.message));
    return "error " + e.message;
  }
  return out;
}

// Whether the buffer's size cannot change how the text's encoding is decided: no byte beyond
// ASCII, all of it UTF-8, or the first such byte not starting valid UTF-8.
bool encoding_fixed(std::string_view text) {
  if (is_valid_utf8(text)) return true;
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  // The longest valid sequence starting there is at most 4 bytes.
  for (std::size_t n = 1; n <= 4 && i + n <= text.size(); ++n)
    if (is_valid_utf8(text.substr(i, n))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavo::fuzz::Bytes in(data, size);
  const std::uint8_t flags = in.u8();
  const std::size_t chunk = 1 + static_cast<std::size_t>(in.u8());
  const std::string_view rest = in.rest();
  const auto copy = tavo::fuzz::exact_copy(rest);
  const std::string_view text(copy.get(), rest.size());

  study::ReadOptions options;
  options.source_name = "t.csv";
  options.dimension = flags & 3;
  if (flags & 4) options.volume = 2.0;
  const std::string whole = read(text, options, 1'000'000);
  options.buffer_bytes = 4 + (flags >> 3);
  const std::string small = read(text, options, chunk);
  if (encoding_fixed(text)) FUZZ_CHECK(whole == small);

  // Each line as a number: the same value as std::from_chars, which takes no '+'.
  for (std::size_t at = 0; at < text.size();) {
    std::size_t lf = text.find('\n', at);
    if (lf == std::string_view::npos) lf = text.size();
    const std::string_view line = text.substr(at, lf - at);
    at = lf + 1;
    double v = 0;
    if (study::detail::parse_number(line, false, v) != study::detail::Number::Ok) continue;
    std::string_view t = line;
    while (t.front() == ' ' || t.front() == '\t') t.remove_prefix(1);
    while (t.back() == ' ' || t.back() == '\t') t.remove_suffix(1);
    if (t.front() == '+') t.remove_prefix(1);
    double w = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), w);
    FUZZ_CHECK(r.ptr == t.data() + t.size());
    if (r.ec == std::errc::result_out_of_range) {  // an underflow, which leaves w alone
      FUZZ_CHECK(std::fabs(v) < DBL_MIN);
    } else {
      FUZZ_CHECK(v == w && std::signbit(v) == std::signbit(w));
    }
  }
  return 0;
}
