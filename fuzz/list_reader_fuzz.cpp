// List-directed input on arbitrary records into mixed item lists.
//
// Input: the first line lists the statements' items, the rest are the records. In the item line
// ';' ends a statement; an item is an optional element count (an array item) and a type letter:
// b, h, i, k integers of 1, 2, 4 and 8 bytes, l logical, r and d reals of 4 and 8 bytes,
// cN character of length N, n an inline value and z an item without storage (both refused).
// Example: "c60;;i;3d;2c12 i\n" and then the records.
//
// Each statement runs twice: on a ListReader over records handed out as exact-size heap copies
// (freed as soon as the next one is asked for), and through the statement layer on a unit
// connected to a file holding the same text. Both must give the same statuses and store the
// same bytes; every item lives in a heap block of exactly its size.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "recio/list_reader.h"
#include "recio/record.h"
#include "recio/statements.h"

namespace {

using namespace recio;
using tavo::fuzz::exact_block;
using tavo::fuzz::exact_copy;

constexpr std::size_t kMaxStatements = 12;
constexpr std::size_t kMaxItems = 24;
constexpr std::size_t kMaxCount = 16;
constexpr std::size_t kMaxLength = 3000;  // beyond the longest value a reader accepts
constexpr unsigned char kUntouched = 0xA5;

struct ItemShape {
  DataType type = DataType::Int4;
  Addressing mode = Addressing::Address;
  std::size_t count = 1;
  std::size_t length = 0;  // character elements
  bool no_storage = false;

  std::size_t element_size() const {
    return type == DataType::Character ? length : recio::element_size(type);
  }
  std::size_t bytes() const { return no_storage ? 0 : element_size() * count; }
};

using Statement = std::vector<ItemShape>;

std::size_t number(std::string_view s, std::size_t& at, std::size_t cap) {
  std::size_t n = 0;
  while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
    n = n * 10 + static_cast<std::size_t>(s[at++] - '0');
    if (n > cap) n = cap;
  }
  return n;
}

std::vector<Statement> parse_items(std::string_view line) {
  std::vector<Statement> statements(1);
  for (std::size_t at = 0; at < line.size();) {
    const char c = line[at];
    if (c == ';') {
      if (statements.size() == kMaxStatements) break;
      statements.emplace_back();
      ++at;
      continue;
    }
    ItemShape item;
    bool array = false;
    if (c >= '0' && c <= '9') {
      item.count = number(line, at, kMaxCount);
      array = true;
      if (at == line.size()) break;
    }
    switch (line[at++]) {
      case 'b':
        item.type = DataType::Int1;
        break;
      case 'h':
        item.type = DataType::Int2;
        break;
      case 'i':
        item.type = DataType::Int4;
        break;
      case 'k':
        item.type = DataType::Int8;
        break;
      case 'l':
        item.type = DataType::Logical4;
        break;
      case 'r':
        item.type = DataType::Real4;
        break;
      case 'd':
        item.type = DataType::Real8;
        break;
      case 'c':
        item.type = DataType::Character;
        item.length = at < line.size() && line[at] >= '0' && line[at] <= '9'
                          ? number(line, at, kMaxLength)
                          : 1;
        break;
      case 'n':
        item.mode = Addressing::Inline;
        break;
      case 'z':
        item.no_storage = true;
        break;
      default:
        continue;
    }
    if (!array) item.count = 1;
    if (statements.back().size() < kMaxItems) statements.back().push_back(item);
  }
  return statements;
}

// Storage for one statement's items, every item in its own exact-size block, marked untouched.
struct Storage {
  explicit Storage(const Statement& st) {
    for (const ItemShape& shape : st) {
      blocks.push_back(exact_block(shape.bytes()));
      std::memset(blocks.back().get(), kUntouched, shape.bytes());
      Item item{{shape.type, shape.mode}, shape.no_storage ? nullptr : blocks.back().get()};
      item.length = shape.length;
      item.count = shape.count;
      items.push_back(item);
    }
  }
  std::vector<std::unique_ptr<char[]>> blocks;
  std::vector<Item> items;
};

bool untouched(const char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) != kUntouched) return false;
  return true;
}

// Records cut as a connected unit cuts them (a carriage return before a line feed or at the end
// of the text is dropped, a record holding only Ctrl-Z is the end for good), each handed out in
// a heap block of exactly its length that is freed when the next record is asked for.
class ExactSource final : public RecordSource {
 public:
  explicit ExactSource(std::string_view text) : rest_(text) {}
  Status next_record(std::string_view& record) override {
    current_.reset();
    if (rest_.empty() || ended_) return status_of(kEndOfFile);
    std::size_t lf = rest_.find('\n');
    std::string_view r = rest_.substr(0, lf);
    if (!r.empty() && r.back() == '\r') r.remove_suffix(1);
    if (r == "\x1a") {
      ended_ = true;
      return status_of(kEndOfFile);
    }
    rest_.remove_prefix(lf == std::string_view::npos ? rest_.size() : lf + 1);
    current_ = exact_copy(r);
    record = {current_.get(), r.size()};
    return kOk;
  }

 private:
  std::string_view rest_;
  std::unique_ptr<char[]> current_;
  bool ended_ = false;
};

struct Outcome {
  std::vector<Status> statuses;  // each transfer's, then the statement's
  std::vector<std::string> stored;
};

void check_statement(const Statement& st, const Storage& mem, const Outcome& out) {
  // Only these numbers can come back, and the first error sticks.
  Status first = kOk;
  for (Status s : out.statuses) {
    FUZZ_CHECK(
        tavo::fuzz::is_one_of(s, {kEndOfFile, kInvalidArgument, kListSyntax, kInputConversion}));
    if (first != kOk) FUZZ_CHECK(s == first);
    if (s != kOk) first = s;
  }
  // Items after the one that failed keep their contents.
  bool failed = false;
  for (std::size_t i = 0; i < st.size(); ++i) {
    if (failed) FUZZ_CHECK(untouched(mem.blocks[i].get(), st[i].bytes()));
    failed |= out.statuses[i] != kOk;
  }
  // A logical element is 0, 1 or untouched.
  for (std::size_t i = 0; i < st.size(); ++i) {
    if (st[i].type != DataType::Logical4 || st[i].no_storage) continue;
    for (std::size_t e = 0; e < st[i].count; ++e) {
      std::int32_t v;
      std::memcpy(&v, mem.blocks[i].get() + 4 * e, 4);
      FUZZ_CHECK(v == 0 || v == 1 || untouched(mem.blocks[i].get() + 4 * e, 4));
    }
  }
}

Outcome capture(const Statement& st, const Storage& mem, std::vector<Status> statuses) {
  Outcome out{std::move(statuses), {}};
  for (std::size_t i = 0; i < st.size(); ++i)
    out.stored.emplace_back(mem.blocks[i].get(), st[i].bytes());
  return out;
}

std::string g_file;  // the text for the unit

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_file = tavo::fuzz::scratch_folder("list") / "records.txt";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = input.find('\n');
  if (lf == std::string_view::npos) return -1;
  const std::vector<Statement> statements = parse_items(input.substr(0, lf));
  const std::string_view text = input.substr(lf + 1);

  // The engine alone, over exact-size records.
  std::vector<Outcome> reference;
  {
    ExactSource source(text);
    ListReader reader(source);
    for (const Statement& st : statements) {
      Storage mem(st);
      std::vector<Status> statuses;
      const Status began = reader.begin();
      for (const Item& item : mem.items) statuses.push_back(reader.transfer(item));
      const Status finished = reader.finish();
      if (began != kOk) FUZZ_CHECK(finished == began);
      statuses.push_back(finished);
      Outcome out = capture(st, mem, std::move(statuses));
      check_statement(st, mem, out);
      reference.push_back(std::move(out));
    }
  }

  // The same statements on a unit connected to a file with the text.
  const int fd = ::open(g_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
    std::abort();
  ::close(fd);
  constexpr int kUnit = 7;
  FUZZ_CHECK(recio::open(kUnit, {.file = g_file, .status = OpenStatus::Old}, kHandlesErrors) ==
             kOk);
  for (std::size_t k = 0; k < statements.size(); ++k) {
    const Statement& st = statements[k];
    Storage mem(st);
    std::vector<Status> statuses;
    if (mem.items.empty()) {
      statuses.push_back(start_list_read(kUnit, kHandlesErrors, Item::end()));
    } else {
      statuses.push_back(start_list_read(kUnit, kHandlesErrors, mem.items[0]));
      for (std::size_t i = 1; i < mem.items.size(); ++i)
        statuses.push_back(transfer_item(mem.items[i]));
      statuses.push_back(transfer_item(Item::end()));
    }
    const Outcome out = capture(st, mem, std::move(statuses));
    FUZZ_CHECK(out.statuses == reference[k].statuses);
    FUZZ_CHECK(out.stored == reference[k].stored);
  }
  FUZZ_CHECK(recio::close(kUnit, {}, kHandlesErrors) == kOk);
  return 0;
}
