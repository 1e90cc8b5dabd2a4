// The format-text compiler, and what it compiles run through the interpreter.
//
// Input: the format text up to the first NUL byte; after it, the items of a write statement with
// their values. The text is compiled from an exact-size heap copy. A refused text is 62 with a
// position inside the text and a reason; an accepted one must be a well-formed record (format
// start, balanced groups at most 8 deep, format end, nothing after it), must compile again to
// the same words when written back as text, and must never be refused by the interpreter as a
// malformed record.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/format_support.h"

namespace {

using namespace recio;
using namespace tavo::fuzz;

// The text of a data edit item: letters, then w, .d (or .m) and Ee as its kind has them.
std::string data_edit_text(const FormatItem& it) {
  const KindTraits& t = traits(it.kind);
  std::string text = (it.repeat != 1 ? std::to_string(it.repeat) : "") +
                     std::string(kEditLetters[static_cast<std::size_t>(t.edit)]);
  const std::string w = std::to_string(it.w), d = std::to_string(it.d);
  switch (t.shape) {
    case Shape::W:
      return text + w;
    case Shape::WM:
    case Shape::WD:
      return text + w + "." + d;
    case Shape::WDE:
      return text + w + "." + d + "E" + std::to_string(it.e);
    default:
      return text;
  }
}

// Writes a compiled record back as format text, one comma between items.
std::string decompile(std::span<const std::uint32_t> record) {
  std::string text;
  bool comma = false;  // an item ended: the next one needs a comma
  for (std::size_t at = 0; at < record.size();) {
    FormatItem it;
    FUZZ_CHECK(decode_item(record, at, it));
    std::string piece;
    bool opens = false;
    switch (it.kind) {
      case Kind::FormatStart:
        piece = "(", opens = true;
        break;
      case Kind::GroupStart:
        piece = (it.repeat != 1 ? std::to_string(it.repeat) : "") + "(", opens = true;
        break;
      case Kind::FormatEnd:
      case Kind::GroupEnd:
        text += ")";
        comma = true;
        at += it.words;
        continue;
      case Kind::BN:
        piece = "BN";
        break;
      case Kind::BZ:
        piece = "BZ";
        break;
      case Kind::SP:
        piece = "SP";
        break;
      case Kind::SS:
        piece = "SS";
        break;
      case Kind::S:
        piece = "S";
        break;
      case Kind::Q:
        piece = "Q";
        break;
      case Kind::Dollar:
        piece = "$";
        break;
      case Kind::Colon:
        piece = ":";
        break;
      case Kind::Slash:
        piece = (it.repeat != 1 ? std::to_string(it.repeat) : "") + "/";
        break;
      case Kind::Scale:
        piece = std::to_string(it.w) + "P";
        break;
      case Kind::SkipX:
        piece = std::to_string(it.repeat) + "X";
        break;
      case Kind::T:
        piece = "T" + std::to_string(it.w);
        break;
      case Kind::TL:
        piece = "TL" + std::to_string(it.w);
        break;
      case Kind::TR:
        piece = "TR" + std::to_string(it.w);
        break;
      case Kind::Literal: {
        std::string bytes(static_cast<std::size_t>(it.w), '\0');
        copy_literal(record.data() + at + 1, bytes.size(), bytes.data());
        piece = "'";
        for (char c : bytes) piece += c == '\'' ? std::string("''") : std::string(1, c);
        piece += "'";
        break;
      }
      default:
        FUZZ_CHECK(is_data_edit(it.kind));
        piece = data_edit_text(it);
        break;
    }
    if (comma) text += ",";
    text += piece;
    comma = !opens;
    at += it.words;
  }
  return text;
}

// A compiled record is one format: start first, end last, groups balanced and at most 8 deep,
// every item decodable and the last one ending exactly at the record's end.
void check_well_formed(std::span<const std::uint32_t> record) {
  int depth = 0;
  std::size_t at = 0;
  bool first = true;
  FormatItem it;
  while (at < record.size()) {
    FUZZ_CHECK(decode_item(record, at, it));
    FUZZ_CHECK((it.kind == Kind::FormatStart) == first);
    FUZZ_CHECK(it.kind != Kind::Invalid);
    if (it.kind == Kind::GroupStart) FUZZ_CHECK(++depth <= kMaxGroupDepth);
    if (it.kind == Kind::GroupEnd) FUZZ_CHECK(--depth >= 0);
    at += it.words;
    FUZZ_CHECK((it.kind == Kind::FormatEnd) == (at == record.size()));
    first = false;
  }
  FUZZ_CHECK(at == record.size() && depth == 0 && !first);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = std::min(input.find('\0'), input.size());
  const std::string_view text_in = input.substr(0, nul);
  const auto text_block = exact_copy(text_in);
  const std::string_view text(text_block.get(), text_in.size());

  std::vector<std::uint32_t> words;
  const CompileResult c = compile_format(text, words);
  if (c.status != kOk) {
    FUZZ_CHECK(c.status == status_of(kFormatSyntax));
    FUZZ_CHECK(c.position <= text.size());
    FUZZ_CHECK(!c.what.empty());
    FUZZ_CHECK(words.empty());
    return 0;
  }
  check_well_formed(words);

  // Written back as text, it compiles to the same words.
  const std::string again_text = decompile(words);
  std::vector<std::uint32_t> again;
  const CompileResult c2 = compile_format(again_text, again);
  if (c2.status != kOk) {
    std::fprintf(stderr, "recompiling \"%s\": %.*s at %zu\n", again_text.c_str(),
                 static_cast<int>(c2.what.size()), c2.what.data(), c2.position);
  }
  FUZZ_CHECK(c2.status == kOk);
  FUZZ_CHECK(again == words);

  // Interpreted from an exact-size copy, with items from the rest of the input.
  Bytes in(data + nul, size - nul);
  in.u8();  // the NUL
  WriteItems items;
  items.take(in, 12);
  if (!affordable(words, {}, items)) return 0;
  auto block = std::make_unique<std::uint32_t[]>(words.size());
  std::copy(words.begin(), words.end(), block.get());
  RecordBuffer rec;
  KeepSink sink;
  FormatWriter writer(rec, sink);
  const WriteOutcome out =
      run_write(writer, sink, {block.get(), words.size()}, {}, items.items, false);
  for (Status s : out.statuses) {
    FUZZ_CHECK(
        is_one_of(s, {kInfiniteFormatLoop, kFormatTypeMismatch, kOutputConversion, kWriteError}));
  }
  check_sticky(out);
  return 0;
}
