#include "recio/format_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "recio/catalog.h"
#include "recio/format_builder.h"

namespace recio {
namespace {

using Lines = std::vector<std::string>;

class Capture : public RecordSink {
 public:
  Status put_record(std::string_view r) override {
    lines.emplace_back(r);
    return fail_after-- == 0 ? status_of(kWriteError) : kOk;
  }
  Status put_unterminated(std::string_view r) override {
    open.assign(r);
    return kOk;
  }
  Lines lines;
  std::string open;
  int fail_after = -1;
};

std::string pad(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

struct Result {
  Lines lines;
  Status status;  // the first non-OK status of the statement
};

// Runs one statement: begin, every item, finish, stopping at the first severe status.
Result run(std::span<const std::uint32_t> format, const std::vector<Item>& items,
           std::span<const FormatArg> args = {}) {
  RecordBuffer rec;
  Capture sink;
  FormatWriter w(rec, sink);
  Status s = w.begin(format, args);
  for (const Item& item : items)
    if (s == kOk) s = w.transfer(item);
  if (s == kOk) s = w.finish();
  return {sink.lines, s};
}

Result run(std::string_view text, const std::vector<Item>& items) {
  std::vector<std::uint32_t> format;
  const CompileResult c = compile_format(text, format);
  EXPECT_EQ(c.status, kOk) << text << ": " << c.what << " at " << c.position;
  return run(format, items);
}

// A heading laid out as the report's for a variable: empty records, code page 1252 literals, a
// long text and scaled E editing.
constexpr std::string_view kV1 =
    "(//'##############################################'///TR5,A80//"
    "TR5,1P,E30.19,' = solu\xe7\xe3o exata'/"
    "TR5,1P,E30.19,' = ordem assint\xf3tica do esquema de ordem baixa'/"
    "TR5,1P,E30.19,' = ordem assint\xf3tica do esquema de ordem alta')";

TEST(FormatWriter, VariableHeading) {
  const std::string name = pad("phi = 1 + h**2", 80);
  const Result r = run(
      kV1, {Item::text(name.data(), 80), Item::value(1.0), Item::value(2.0), Item::value(-48.0)});
  EXPECT_EQ(r.status, kOk);
  const Lines want = {
      "",
      "",
      std::string(46, '#'),
      "",
      "",
      "     " + name,
      "",
      "          1.0000000000000000000E+00 = solu\xe7\xe3o exata",
      "          2.0000000000000000000E+00 = ordem assint\xf3tica do esquema de ordem baixa",
      "         -4.8000000000000000000E+01 = ordem assint\xf3tica do esquema de ordem alta",
  };
  ASSERT_EQ(r.lines.size(), want.size());
  EXPECT_EQ(r.lines, want);
}

TEST(FormatWriter, MeshLineColumns) {
  constexpr auto kMesh1 =
      build::record(build::start(), build::p(1), build::e(22, 15), build::tr(16), build::tr(3),
                    build::a(12), build::tr(3), build::a(12), build::end());
  const std::string low = pad("b1.dat", 60), high = pad("a1_very_long_name.dat", 60);
  const Result r =
      run(kMesh1, {Item::value(0.4), Item::text(low.data(), 60), Item::text(high.data(), 60)});
  EXPECT_EQ(r.status, kOk);
  ASSERT_EQ(r.lines.size(), 1u);
  const std::string& line = r.lines[0];
  EXPECT_EQ(line.size(), 68u);
  EXPECT_EQ(line.substr(0, 22), " 4.000000000000000E-01");
  EXPECT_EQ(line.substr(22, 19), std::string(19, ' '));
  EXPECT_EQ(line.substr(41, 12), "b1.dat      ");
  EXPECT_EQ(line.substr(53, 3), "   ");
  EXPECT_EQ(line.substr(56, 12), "a1_very_long");
}

TEST(FormatWriter, Statements) {
  struct Case {
    const char* format;
    std::vector<Item> items;
    Lines want;
    Status status;
  };
  const Status k63 = status_of(kOutputConversion);
  const Status k60 = status_of(kInfiniteFormatLoop);
  const Status k61 = status_of(kFormatTypeMismatch);
  const char* text = "abcde";
  std::vector<Item> ten;
  for (int i = 1; i <= 10; ++i) ten.push_back(Item::value(i * 11));
  Lines ten_lines;
  for (int i = 1; i <= 10; ++i)
    ten_lines.push_back(pad("", 6 - std::to_string(i * 11).size()) + std::to_string(i * 11));
  const Case cases[] = {
      {"(I6)", ten, ten_lines, kOk},
      {"(A5,T3,'xy')", {Item::text(text, 5)}, {"abxye"}, kOk},
      {"(T10,'a',T2,'b')", {}, {" b       a"}, kOk},
      {"(TL5,'a',TR3)", {}, {"a"}, kOk},
      {"('abc')", {Item::value(1)}, {}, k60},
      {"('abc')", {}, {"abc"}, kOk},
      {"()", {}, {""}, kOk},
      {"()", {Item::value(1)}, {}, k60},
      {"(I6,' x',I6)", {Item::value(1234567), Item::value(5)}, {"****** x     5"}, k63},
      {"(I6)", {Item::value(1234567), Item::value(5)}, {"******", "     5"}, k63},
      {"(1P,(E11.2))",
       {Item::value(1.0), Item::value(2.0), Item::value(3.0)},
       {"   1.00E+00", "   2.00E+00", "   3.00E+00"},
       kOk},
      {"(E11.2)", {Item::value(1.0)}, {"   0.10E+01"}, kOk},
      {"(1P,E11.2,/,E11.2)",
       {Item::value(1.0), Item::value(2.0)},
       {"   1.00E+00", "   2.00E+00"},
       kOk},
      {"(1P,E11.2,3(1P,E24.15))",
       {Item::value(1.0), Item::value(2.0), Item::value(3.0), Item::value(4.0), Item::value(5.0),
        Item::value(6.0), Item::value(7.0)},
       {"   1.00E+00" + std::string("   2.000000000000000E+00   3.000000000000000E+00") +
            "   4.000000000000000E+00",
        "   5.000000000000000E+00   6.000000000000000E+00   7.000000000000000E+00"},
       kOk},
      {"(1P,E11.2,3(1P,E24.15))",
       {Item::value(1.0), Item::value(2.0)},
       {"   1.00E+00   2.000000000000000E+00"},
       kOk},
      {"(/,I2)", {Item::value(1)}, {"", " 1"}, kOk},
      {"(I2,3/,I2)", {Item::value(1), Item::value(2)}, {" 1", "", "", " 2"}, kOk},
      {"('a',I2,:,'b')", {Item::value(1)}, {"a 1"}, kOk},
      {"('a',I2,'b')", {Item::value(1)}, {"a 1b"}, kOk},
      {"(3I3,' end')", {Item::value(1)}, {"  1"}, kOk},
      {"(3I3)",
       {Item::value(1), Item::value(2), Item::value(3), Item::value(4), Item::value(5)},
       {"  1  2  3", "  4  5"},
       kOk},
      {"(2(I1,2(I1)))",
       {Item::value(1), Item::value(2), Item::value(3), Item::value(4), Item::value(5),
        Item::value(6)},
       {"123456"},
       kOk},
      {"(I2,'x')", {Item::value(1), Item::value(2)}, {" 1x", " 2x"}, kOk},
      {"(I2,2('x'))", {Item::value(1), Item::value(2)}, {" 1xx"}, k60},
      {"(SP,I3,SS,I3,S,I3,SP,1P,E10.2)",
       {Item::value(1), Item::value(2), Item::value(3), Item::value(0.5)},
       {" +1  2  3 +5.00E-01"},
       kOk},
      {"(I2,TR10)", {Item::value(1)}, {" 1"}, kOk},
      {"(I5)", {Item::value(1.0)}, {}, k61},
      {"(E10.3)", {Item::value(1)}, {}, k61},
      {"(A5)", {Item::value(1)}, {}, k61},
      {"(L5)", {Item::value(1)}, {}, k61},
      {"(I3,A,A3)",
       {Item::value(7), Item::text(text, 5), Item::text(text, 5)},
       {"  7abcdeabc"},
       kOk},
      {"(I,E,A)",
       {Item::value(-7), Item::value(1.5), Item::text(text, 2)},
       {"          -7   0.1500000000000000E+01ab"},
       kOk},
      {"(1P,E11.2)",
       {Item::value(INFINITY), Item::value(-INFINITY), Item::value(NAN)},
       {" Infinity  ", " -Infinity ", " NaN       "},
       kOk},
      {"(E8.2)", {Item::value(-INFINITY)}, {"********"}, k63},
  };
  for (const Case& c : cases) {
    const Result r = run(c.format, c.items);
    EXPECT_EQ(r.lines, c.want) << c.format;
    EXPECT_EQ(r.status, c.status) << c.format;
  }
}

TEST(FormatWriter, ConversionErrorIsAnErrorNotSevere) {
  const Result r = run("(I1)", {Item::value(12)});
  EXPECT_EQ(severity_of(r.status), Severity::Error);
  EXPECT_EQ(message_number(r.status), kOutputConversion);
}

TEST(FormatWriter, ArrayItemsAndOtherTypes) {
  double v[4] = {1, 2, 3, 4};
  std::int32_t n[3] = {-1, 0, 255};
  const char names[] = "SIMNao";
  const Result r = run("(1P,E11.2,3(1P,E24.15))", {Item::array(v, 4)});
  ASSERT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(r.lines[0].size(), 11u + 3 * 24);
  const Result z = run("(Z9,O4,B9.8)", {Item::array(n, 3)});
  EXPECT_EQ(z.lines, Lines{" FFFFFFFF   0 11111111"});
  Item texts = Item::text(names, 3);
  texts.count = 2;
  EXPECT_EQ(run("(2A4)", {texts}).lines, Lines{" SIM Nao"});
  std::int32_t yes = 1;
  Item logical{{DataType::Logical4, Addressing::Address}, &yes};
  EXPECT_EQ(run("(L2,L)", {logical, logical}).lines, Lines{" T T"});
  float f = 0.1f;
  Item single{{DataType::Real4, Addressing::Address}, &f};
  EXPECT_EQ(run("(E)", {single}).lines, Lines{"  0.1000000E+00"});
  std::int64_t big = -123456789012LL;
  Item wide{{DataType::Int8, Addressing::Address}, &big};
  EXPECT_EQ(run("(I)", {wide}).lines, Lines{"          -123456789012"});
}

TEST(FormatWriter, LongRecordsGrowTheBuffer) {
  const std::string long_text(200, 'x');
  RecordBuffer rec;
  Capture sink;
  FormatWriter w(rec, sink);
  std::vector<std::uint32_t> format;
  compile_format("(A,T700,'y')", format);
  ASSERT_EQ(w.begin(format), kOk);
  ASSERT_EQ(w.transfer(Item::text(long_text.data(), long_text.size())), kOk);
  ASSERT_EQ(w.finish(), kOk);
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], long_text + std::string(499, ' ') + "y");
  EXPECT_EQ(rec.capacity(), 132u + 512 + 512);

  // A without a width takes the whole item, however long.
  const std::string huge(40000, 'h');
  EXPECT_EQ(run("(A)", {Item::text(huge.data(), huge.size())}).lines, Lines{huge});

  RecordBuffer fixed(10, true);
  FormatWriter f(fixed, sink);
  ASSERT_EQ(f.begin(format), kOk);
  EXPECT_EQ(f.transfer(Item::text(long_text.data(), long_text.size())), status_of(kRecordOverflow));
  EXPECT_EQ(f.finish(), status_of(kRecordOverflow));
}

TEST(FormatWriter, DollarLeavesTheLastRecordOpen) {
  RecordBuffer rec;
  Capture sink;
  FormatWriter w(rec, sink);
  std::vector<std::uint32_t> format;
  compile_format("('line',/,'prompt: ',$)", format);
  ASSERT_EQ(w.begin(format), kOk);
  ASSERT_EQ(w.finish(), kOk);
  EXPECT_EQ(sink.lines, Lines{"line"});
  EXPECT_EQ(sink.open, "prompt: ");
}

TEST(FormatWriter, SinkErrorStopsTheStatement) {
  RecordBuffer rec;
  Capture sink;
  sink.fail_after = 1;
  FormatWriter w(rec, sink);
  std::vector<std::uint32_t> format;
  compile_format("(I2)", format);
  ASSERT_EQ(w.begin(format), kOk);
  EXPECT_EQ(w.transfer(Item::value(1)), kOk);
  EXPECT_EQ(w.transfer(Item::value(2)), kOk);
  EXPECT_EQ(w.transfer(Item::value(3)), status_of(kWriteError));
  EXPECT_EQ(w.transfer(Item::value(4)), status_of(kWriteError));
  EXPECT_EQ(w.finish(), status_of(kWriteError));
  EXPECT_EQ(sink.lines.size(), 2u);
}

// Malformed records, each in a vector of exactly its size so that a read past the end shows up
// under AddressSanitizer.
TEST(FormatWriter, MalformedRecordsAreSyntaxErrors) {
  const std::uint32_t start = 0x36, end = 0x37, i2 = 0x00020156;  // short I2
  const std::vector<std::vector<std::uint32_t>> bad = {
      {},
      {end},
      {start},
      {start, i2},
      {start, 0x34, end},
      {start, 0x00, end},
      {start, 0x35, end},
      {start, 0x64, end},
      {start, 0xff, end},
      {start, 0x1f, 1},
      {start, 0x21f, 1, 10, 0, 0x09030000},
      {start, i2, 0x000a001c, 0x41414141},
      {start, i2, 0x39, end},
      {start, 0x00010038, i2, end},
      {start,      0x00010038, 0x00010038, 0x00010038, 0x00010038, 0x00010038, 0x00010038,
       0x00010038, 0x00010038, 0x00010038, i2,         0x39,       0x39,       0x39,
       0x39,       0x39,       0x39,       0x39,       0x39,       0x39,       end},
      {start, 0x00000038, i2, 0x39, end},                     // group repeat 0
      {start, 0x1d, 1, static_cast<std::uint32_t>(-4), end},  // Aw with w = -4
      {start, 0x1d, 0, 4, end},                               // Aw with repeat 0
      {start, 0x1d, 0x80000000, 4, end},                      // Aw with repeat INT32_MIN
  };
  for (const auto& format : bad) {
    const Result r = run(format, {Item::value(1), Item::value(2)});
    EXPECT_EQ(r.status, status_of(kFormatSyntax)) << ::testing::PrintToString(format);
  }
}

std::int32_t seven(const void*) {
  return 7;
}

TEST(FormatWriter, ExpressionSlots) {
  // E<w>.<d> with w from a pointer and d from a routine, then <n>X as TR.
  constexpr auto kFormat = build::record(
      build::start(), build::p(1),
      build::computed(build::e(0, 0), {.w = build::value_at(0), .d = build::routine_at(1)}),
      build::computed(build::tr(0), {.w = build::value_at(2)}), build::lit<"|">(), build::end());
  struct Case {
    std::int32_t w, tr;
    std::string want;
    Status status;
  };
  const Case cases[] = {
      {16, 2, "   1.5000000E+00  |", kOk},        {0, 0, "|", status_of(kOutputConversion)},
      {-1, 0, "", status_of(kFormatExpression)},  {32768, 0, "", status_of(kFormatExpression)},
      {16, -1, "", status_of(kFormatExpression)},
  };
  for (const Case& c : cases) {
    const FormatArg args[] = {FormatArg::of(c.w), FormatArg::call(seven), FormatArg::of(c.tr)};
    const Result r = run(kFormat, {Item::value(1.5)}, args);
    EXPECT_EQ(r.status, c.status) << c.w << " " << c.tr;
    EXPECT_EQ(r.lines, c.status == kOk || c.status == status_of(kOutputConversion) ? Lines{c.want}
                                                                                   : Lines{});
  }
  // A repeat of 0 from a slot is out of range; e above 255 too; a slot naming a missing
  // argument is a malformed record.
  const std::int32_t zero = 0, big_e = 256;
  const FormatArg one_arg[] = {FormatArg::of(zero)};
  constexpr auto kRepeat = build::record(
      build::start(), build::computed(build::i(3), {.repeat = build::value_at(0)}), build::end());
  EXPECT_EQ(run(kRepeat, {Item::value(1)}, one_arg).status, status_of(kFormatExpression));
  const FormatArg e_arg[] = {FormatArg::of(big_e)};
  constexpr auto kExp = build::record(
      build::start(), build::computed(build::e(12, 3, 2), {.e = build::value_at(0)}), build::end());
  EXPECT_EQ(run(kExp, {Item::value(1.0)}, e_arg).status, status_of(kFormatExpression));
  EXPECT_EQ(run(kRepeat, {Item::value(1)}).status, status_of(kFormatSyntax));
}

TEST(FormatWriter, StateIsClearedBetweenStatements) {
  RecordBuffer rec;
  Capture sink;
  FormatWriter w(rec, sink);
  std::vector<std::uint32_t> first, second;
  compile_format("(SP,1P,E11.2,T30,'z')", first);
  compile_format("(E11.2)", second);
  ASSERT_EQ(w.begin(first), kOk);
  ASSERT_EQ(w.transfer(Item::value(1.0)), kOk);
  ASSERT_EQ(w.finish(), kOk);
  ASSERT_EQ(w.begin(second), kOk);
  ASSERT_EQ(w.transfer(Item::value(1.0)), kOk);
  ASSERT_EQ(w.finish(), kOk);
  EXPECT_EQ(sink.lines, (Lines{"  +1.00E+00" + std::string(18, ' ') + "z", "   0.10E+01"}));
}

}  // namespace
}  // namespace recio
