#include "recio/list_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "recio/buffer_source.h"

namespace recio {
namespace {

constexpr std::int32_t U = -77;  // an int item's contents before the read
constexpr double UD = -77.5;     // a double item's contents before the read

// Runs one statement over `items` as the statement glue does; returns the message number.
std::uint16_t read(ListReader& r, const std::vector<Item>& items) {
  // The first error sticks: finish() returns it.
  static_cast<void>(r.begin());
  for (const Item& i : items) static_cast<void>(r.transfer(i));
  return message_number(r.finish());
}

struct IntCase {
  std::string_view text;
  std::vector<std::int32_t> want;  // also the number of elements read
  std::uint16_t error;
};

// One array item of want.size() elements.
TEST(ListReader, Integers) {
  const IntCase cases[] = {
      {"1 2 3", {1, 2, 3}, 0},
      {"1,2,3", {1, 2, 3}, 0},
      {"1\n2\n3", {1, 2, 3}, 0},
      {"1\t2,\t3", {1, 2, 3}, 0},
      {"1\r\n2\r\n3\r\n", {1, 2, 3}, 0},
      {"\n  \n1 2", {1, 2}, 0},  // blank records where values are expected
      {"+7 -0 007", {7, 0, 7}, 0},
      // Null values and the comma rules.
      {"1,,3", {1, U, 3}, 0},
      {"1, ,3", {1, U, 3}, 0},
      {"1,\n,3", {1, U, 3}, 0},
      {"1\n,3", {1, 3}, 0},
      {"1\n\n,3", {1, U, 3}, 0},
      {",5", {U, 5}, 0},
      {" ,,5", {U, U, 5}, 0},
      {"2*\n,5", {U, U, 5}, 0},  // the nulls are the record's values: the comma just separates
      // Repeat forms.
      {"3*7", {7, 7, 7}, 0},
      {"2*7 8", {7, 7, 8}, 0},
      {"2* 5", {U, U, 5}, 0},
      {"2*,5", {U, U, 5}, 0},
      {"2*,,5", {U, U, U, 5}, 0},
      {"2* ,5", {U, U, 5}, 0},
      {"*5", {U}, 59},
      {"0*5", {U}, 59},
      {"-2*5", {U}, 59},
      {"2*3*4", {U}, 59},
      {"1.5*2", {U}, 59},
      {"99999999999*1", {U}, 59},
      // Slash.
      {"4 5 /", {4, 5, U, U, U}, 0},
      {"/", {U}, 0},
      {"2*/", {U}, 0},
      {"1,/", {1, U}, 0},
      // Conversion.
      {"2.999 -2.999 1.5E1", {2, -2, 15}, 0},
      {"2147483647 -2147483648", {INT32_MAX, INT32_MIN}, 0},
      {"2147483647.9 -2147483648.9", {INT32_MAX, INT32_MIN}, 0},
      {"2147483648", {U}, 64},
      {"99999999999999999999", {U}, 64},
      {"2147483648.0", {U}, 64},
      {"1e10", {U}, 64},
      {"+", {U}, 64},
      {"1-2", {U}, 64},
      {"+-1", {U}, 64},
      {".f", {U}, 64},
      {"12a", {U}, 59},
      {"1 x 3", {1, U, U}, 59},
      {")", {U}, 59},
      {"5)", {5}, 0},
      // End of the records.
      {"", {U}, 24},
      {"1 2", {1, 2, U}, 24},
      {"1\n\x1a\n2", {1, U}, 24},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(testing::Message() << '\'' << c.text << '\'');
    std::vector<std::int32_t> got(c.want.size(), U);
    BufferSource src(c.text);
    ListReader r(src);
    EXPECT_EQ(read(r, {Item::array(got.data(), got.size())}), c.error);
    EXPECT_EQ(got, c.want);
  }
}

struct RealCase {
  std::string_view text;
  std::vector<double> want;  // one scalar item each
  std::uint16_t error;
};

TEST(ListReader, Doubles) {
  const RealCase cases[] = {
      {"3*0.5", {0.5, 0.5, 0.5}, 0},
      {"1.0D-3 1.0d-3 1.0E-3", {1e-3, 1e-3, 1e-3}, 0},
      {"1.0e-3 1.0Q-3 1.0q-3", {1e-3, 1e-3, 1e-3}, 0},
      {"3 +2.5 .5 5.", {3, 2.5, 0.5, 5}, 0},
      {"0.1000000000000000055511151231257827021181583404541015625", {0.1}, 0},
      {"1.7976931348623157e308 4.9e-324 1e-400", {1.7976931348623157e308, 4.9e-324, 0}, 0},
      {"1e400", {UD}, 64},
      {"-1d400", {UD}, 64},
      {"1000e306", {UD}, 64},
      {"1e", {UD}, 64},
      {"1.0+3", {UD}, 64},
      {".e5", {UD}, 64},
      {"1e5.0", {UD}, 64},
      {"'abc'", {UD}, 64},
      {"true", {UD}, 64},
      {"1.2.3", {UD}, 59},
      {"12a", {UD}, 59},
      {"abc", {UD}, 59},
      {"1e2e3", {UD}, 59},
      {"inf", {UD}, 59},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(testing::Message() << '\'' << c.text << '\'');
    std::vector<double> got(c.want.size(), UD);
    std::vector<Item> items;
    for (double& d : got) items.push_back(Item::of(d));
    BufferSource src(c.text);
    ListReader r(src);
    EXPECT_EQ(read(r, items), c.error);
    EXPECT_EQ(got, c.want);
  }
}

struct TextCase {
  std::string text;
  std::size_t length;
  std::vector<std::string> want;  // one scalar item each; "" keeps the item's contents ('#')
  std::uint16_t error;
};

TEST(ListReader, Text) {
  const std::string a2049(2049, 'a');
  const std::string a2048(2048, 'a');
  const std::string q2050 = "'" + a2049 + "a'";
  const std::string name = "C:malha_01(2).txt";
  const TextCase cases[] = {
      {"'it''s'", 10, {"it's      "}, 0},
      {"\"abcdef\"", 3, {"abc"}, 0},
      {"C:malha_01(2).txt resto", 60, {name + std::string(60 - name.size(), ' ')}, 0},
      {"a,b c", 2, {"a ", "b ", "c "}, 0},
      {"'abc\ndef' x", 8, {"abcdef  ", "x       "}, 0},
      {"'ab'\n'cd'", 2, {"ab", "cd"}, 0},
      {"'a,b/c' ''", 5, {"a,b/c", "     "}, 0},
      {"2*xy 12abc", 5, {"xy   ", "xy   ", "12abc"}, 0},
      {"(1.5) T .5 *ab", 5, {"(1.5)", "T    ", ".5   ", "*ab  "}, 0},
      {"2*'a b'", 3, {"a b", "a b"}, 0},
      {"a/b", 1, {"a", ""}, 0},
      {"'abc\n", 3, {""}, 24},
      {a2049, 2049, {a2049}, 0},
      {a2049 + "a", 1, {""}, 59},
      {q2050, 1, {""}, 59},
      {"'" + a2048 + "'''", 1, {"a"}, 0},
      {"'" + a2049 + "'''", 1, {""}, 59},
      {"'" + a2048 + "\naa'", 1, {""}, 59},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(testing::Message() << '\'' << c.text.substr(0, 40) << '\'');
    std::vector<std::string> got(c.want.size(), std::string(c.length, '#'));
    std::vector<Item> items;
    for (std::string& s : got) items.push_back(Item::text(s.data(), s.size()));
    BufferSource src(c.text);
    ListReader r(src);
    EXPECT_EQ(read(r, items), c.error);
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i], c.want[i].empty() ? std::string(c.length, '#') : c.want[i]) << i;
    }
  }
}

TEST(ListReader, MixedList) {
  BufferSource src("1 2\n3 4.5 2*1d1\n'a b' c\n2*7 /\n");
  ListReader r(src);
  std::int32_t n[3] = {};
  double x[3] = {};
  char t[2][3];
  EXPECT_EQ(
      read(r, {Item::array(n, 3), Item::array(x, 3), Item::text(t[0], 3), Item::text(t[1], 3)}), 0);
  EXPECT_EQ(std::vector<std::int32_t>(n, n + 3), (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(std::vector<double>(x, x + 3), (std::vector<double>{4.5, 10, 10}));
  EXPECT_EQ(std::string(t[0], 6), "a bc  ");
  // A repeat runs across items of different types.
  std::int32_t i = 0;
  double d = 0;
  EXPECT_EQ(read(r, {Item::of(i), Item::of(d)}), 0);
  EXPECT_EQ(i, 7);
  EXPECT_EQ(d, 7.0);
}

TEST(ListReader, StatementsStartOnNewRecords) {
  BufferSource src("7 8 9\n10\nskipped\nalso skipped\n3*4\n5\nx\n6\n");
  ListReader r(src);
  std::int32_t a = 0, b = 0;
  EXPECT_EQ(read(r, {Item::of(a), Item::of(b)}), 0);
  EXPECT_EQ(read(r, {Item::of(a)}), 0);
  EXPECT_EQ(a, 10);  // not the 9 left on the first record
  EXPECT_EQ(read(r, {}), 0);
  EXPECT_EQ(read(r, {Item::array(&a, 0)}), 0);  // no elements, still one record
  EXPECT_EQ(read(r, {Item::of(a)}), 0);
  EXPECT_EQ(a, 4);
  EXPECT_EQ(read(r, {Item::of(a)}), 0);
  EXPECT_EQ(a, 5);  // not the repeat left over
  EXPECT_EQ(read(r, {Item::of(a)}), 59);
  EXPECT_EQ(read(r, {Item::of(a)}), 0);  // a failed statement leaves the reader usable
  EXPECT_EQ(a, 6);
  EXPECT_EQ(read(r, {}), 24);
}

TEST(ListReader, ErrorsStickAndItemsAreChecked) {
  BufferSource src("x 2\n1\n");
  ListReader r(src);
  std::int32_t a = U, b = U;
  EXPECT_EQ(r.transfer(Item::of(a)), status_of(kInvalidArgument));  // no statement begun
  EXPECT_EQ(r.begin(), kOk);
  EXPECT_EQ(r.transfer(Item::of(a)), status_of(kListSyntax));
  EXPECT_EQ(r.transfer(Item::of(b)), status_of(kListSyntax));
  EXPECT_EQ(r.transfer(Item::end()), status_of(kListSyntax));
  EXPECT_EQ(b, U);
  EXPECT_EQ(r.begin(), kOk);
  EXPECT_EQ(r.transfer(Item::value(std::int32_t{1})), status_of(kInvalidArgument));
  EXPECT_EQ(r.finish(), status_of(kInvalidArgument));
}

TEST(ListReader, OtherItemTypes) {
  BufferSource src(
      "T .f .TRUE. F -128 127 -32768 9223372036854775807 -9.2233720368547758e18 0.1\n"
      "1\n'T'\n128\n9223372036854775808\n1e19\n1e39\n");
  ListReader r(src);
  std::int32_t l[4] = {};
  std::int8_t i1[2] = {};
  std::int16_t i2 = 0;
  std::int64_t i8[2] = {};
  float f = 0;
  auto item = [](void* p, DataType type, std::size_t count = 1) {
    Item i{{type, Addressing::Address}, p};
    i.count = count;
    return i;
  };
  EXPECT_EQ(
      read(r, {item(l, DataType::Logical4, 4), item(i1, DataType::Int1, 2),
               item(&i2, DataType::Int2), item(i8, DataType::Int8, 2), item(&f, DataType::Real4)}),
      0);
  EXPECT_EQ(std::vector<std::int32_t>(l, l + 4), (std::vector<std::int32_t>{1, 0, 1, 0}));
  EXPECT_EQ(i1[0], -128);
  EXPECT_EQ(i1[1], 127);
  EXPECT_EQ(i2, -32768);
  EXPECT_EQ(i8[0], INT64_MAX);
  EXPECT_EQ(i8[1], INT64_MIN);
  EXPECT_EQ(f, 0.1f);
  EXPECT_EQ(read(r, {item(l, DataType::Logical4)}), 64);
  EXPECT_EQ(read(r, {item(l, DataType::Logical4)}), 64);
  EXPECT_EQ(read(r, {item(i1, DataType::Int1)}), 64);
  EXPECT_EQ(read(r, {item(i8, DataType::Int8)}), 64);
  EXPECT_EQ(read(r, {item(i8, DataType::Int8)}), 64);
  EXPECT_EQ(read(r, {item(&f, DataType::Real4)}), 64);
}

}  // namespace
}  // namespace recio
