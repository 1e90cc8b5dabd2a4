#include "recio/format_record.h"
#include "recio/format_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace recio {
namespace {

template <std::size_t N>
std::vector<std::uint32_t> words(const std::array<std::uint32_t, N>& a) {
  return {a.begin(), a.end()};
}

constexpr auto kMesh1 =
    build::record(build::start(), build::p(1), build::e(22, 15), build::tr(16), build::tr(3),
                  build::a(12), build::tr(3), build::a(12), build::end());

TEST(FormatRecord, OpcodeTable) {
  struct Row {
    int op, cls, len;
    Kind kind;
  };
  const Row rows[] = {
      {0x00, 1, 0, Kind::Invalid},     {0x01, 1, 12, Kind::FormatStart},
      {0x03, 2, 12, Kind::GroupStart}, {0x0a, 3, 12, Kind::Scale},
      {0x0b, 2, 12, Kind::SkipX},      {0x0e, 3, 12, Kind::TR},
      {0x1c, 8, 4, Kind::Literal},     {0x1d, 4, 12, Kind::Aw},
      {0x20, 5, 12, Kind::EwdEe},      {0x33, 5, 12, Kind::ESwdEe},
      {0x34, 1, 0, Kind::Invalid},     {0x35, 6, 0, Kind::Invalid},
      {0x36, 6, 4, Kind::FormatStart}, {0x38, 7, 4, Kind::GroupStart},
      {0x3f, 8, 4, Kind::Scale},       {0x40, 7, 4, Kind::SkipX},
      {0x43, 8, 4, Kind::TR},          {0x46, 6, 4, Kind::Colon},
      {0x47, 7, 4, Kind::Slash},       {0x50, 7, 4, Kind::Z},
      {0x51, 9, 4, Kind::Aw},          {0x53, 10, 4, Kind::Ewd},
      {0x56, 9, 4, Kind::Iw},          {0x5d, 7, 4, Kind::B},
      {0x5f, 10, 4, Kind::Bwm},        {0x60, 7, 4, Kind::EN},
      {0x63, 10, 4, Kind::ESwd},
  };
  for (const Row& r : rows) {
    const OpcodeInfo info = kOpcodes[r.op];
    EXPECT_EQ(info.operand_class, r.cls) << std::hex << r.op;
    EXPECT_EQ(info.length, r.len) << std::hex << r.op;
    EXPECT_EQ(info.kind, r.kind) << std::hex << r.op;
  }
  // Every kind but the literal and the Ee forms has a short opcode of the same kind, whose class
  // is its long form's plus 5.
  for (int k = 1; k < kKindCount; ++k) {
    const std::uint8_t op = short_opcode(static_cast<Kind>(k));
    if (op == 0) continue;
    EXPECT_EQ(kOpcodes[op].kind, static_cast<Kind>(k));
    EXPECT_EQ(kOpcodes[op].operand_class, kOpcodes[k].operand_class + 5) << k;
  }
}

TEST(FormatRecord, PinnedBytes) {
  const std::vector<std::uint32_t> mesh1 = {
      0x00000036,                            // format start
      0x0000000a, 1, 1,                      // kP 1
      0x0f00001f, 1, 22,                     // E22.15
      0x0000000e, 1, 16,                     // TR16
      0x0000000e, 1, 3,                      // TR3
      0x0000001d, 1, 12,                     // A12
      0x0000000e, 1, 3,  0x0000001d, 1, 12,  // TR3, A12
      0x00000037,                            // format end
  };
  EXPECT_EQ(words(kMesh1), mesh1);

  // "título = " in code page 1252, zero-padded.
  EXPECT_EQ(words(build::record(build::lit<"título = ">())),
            (std::vector<std::uint32_t>{0x0009001c, 0x7574ed74, 0x3d206f6c, 0x00000020}));
  EXPECT_EQ(words(build::record(build::lit<"NÃO€">())),
            (std::vector<std::uint32_t>{0x0004001c, 0x804fc34e}));
  EXPECT_EQ(words(build::record(build::lit<"">())), (std::vector<std::uint32_t>{0x0000001c}));

  EXPECT_EQ(words(build::record(build::short_form(build::a(12)), build::short_form(build::e(11, 2)),
                                build::short_form(build::p(-1)), build::group(3), build::slash(2),
                                build::short_form(build::tr(5)), build::long_form(build::slash()))),
            (std::vector<std::uint32_t>{0x000c0151, 0x020b0153, 0xffff003f, 0x00030038, 0x00020047,
                                        0x00050043, 0x00000012, 1, 0}));
  EXPECT_EQ(words(build::record(build::rep(3, build::i(5)), build::e(12, 4, 3))),
            (std::vector<std::uint32_t>{0x00000024, 3, 5, 0x04030020, 1, 12}));
  EXPECT_EQ(words(build::record(build::computed(build::e(0, 0), {.w = build::value_at(2)}))),
            (std::vector<std::uint32_t>{0x0000021f, 1, 0, 0, 0x09030002, 0, 0}));
}

TEST(FormatRecord, DecodesEveryForm) {
  constexpr auto rec = build::record(
      build::start(), build::short_form(build::e(11, 2)), build::short_form(build::p(-2)),
      build::lit<"abcde">(),
      build::computed(build::rep(2, build::i(4)), {.repeat = build::routine_at(1)}), build::end());
  struct Want {
    Kind kind;
    std::int32_t repeat, w;
    int d;
    std::uint32_t words;
  };
  const Want want[] = {{Kind::FormatStart, 1, 0, 0, 1}, {Kind::Ewd, 1, 11, 2, 1},
                       {Kind::Scale, 1, -2, 0, 1},      {Kind::Literal, 1, 5, 0, 3},
                       {Kind::Iw, 2, 4, 0, 7},          {Kind::FormatEnd, 1, 0, 0, 1}};
  std::size_t at = 0;
  for (const Want& w : want) {
    FormatItem it;
    ASSERT_TRUE(decode_item(rec, at, it)) << at;
    EXPECT_EQ(it.kind, w.kind);
    EXPECT_EQ(it.repeat, w.repeat);
    EXPECT_EQ(it.w, w.w);
    EXPECT_EQ(it.d, w.d);
    EXPECT_EQ(it.words, w.words);
    at += it.words;
  }
  EXPECT_EQ(at, rec.size());
  char text[5];
  copy_literal(rec.data() + 4, 5, text);
  EXPECT_EQ(std::string(text, 5), "abcde");
}

TEST(FormatRecord, DecodeStopsAtTheEnd) {
  const std::vector<std::vector<std::uint32_t>> bad = {
      {},                              // nothing
      {0x34},                          // invalid opcode
      {0x35},                          // short invalid
      {0x64},                          // past the table
      {0x1f, 1},                       // long form cut short
      {0x21f, 1, 10, 0},               // slots cut short
      {0x000a001c, 0x41414141, 0x41},  // literal longer than the record
  };
  for (const auto& rec : bad) {
    FormatItem it;
    EXPECT_FALSE(decode_item(rec, 0, it)) << (rec.empty() ? 0 : rec[0]);
  }
}

TEST(CompileFormat, SameEncodingAsTheBuilder) {
  struct Case {
    std::string text;
    std::vector<std::uint32_t> want;
  };
  const Case cases[] = {
      {"(1P,E22.15,TR16,TR3,A12,TR3,A12)", words(kMesh1)},
      {" ( 1PE30.19 ) ",
       words(build::record(build::start(), build::p(1), build::e(30, 19), build::end()))},
      {"(1P,E11.2,3(1P,E24.15))",
       words(build::record(build::start(), build::p(1), build::e(11, 2), build::group(3),
                           build::p(1), build::e(24, 15), build::group_end(), build::end()))},
      {"(/,I6,' = x')", words(build::record(build::start(), build::slash(), build::i(6),
                                            build::lit<" = x">(), build::end()))},
      {"(5X,A,-2P,F8.3)", words(build::record(build::start(), build::tr(5), build::a(),
                                              build::p(-2), build::f(8, 3), build::end()))},
      {"(2HAB,'it''s',\"q\")",
       words(build::record(build::start(), build::lit<"AB">(), build::lit<"it's">(),
                           build::lit<"q">(), build::end()))},
      {"(T2,TL3,TR4,X,SP,SS,S,BN,BZ,Q,:,$,\\)",
       words(build::record(build::start(), build::t(2), build::tl(3), build::tr(4), build::tr(1),
                           build::sp(), build::ss(), build::s(), build::bn(), build::bz(),
                           build::q(), build::colon(), build::dollar(), build::dollar(),
                           build::end()))},
      {"(I2,3/I2/)", words(build::record(build::start(), build::i(2), build::slash(3), build::i(2),
                                         build::slash(), build::end()))},
      {"(e12.4e3,en10.2,es10.2,g10.3e2,i5.3,o4,z4.2,b8,l2,d25.16,3i)",
       words(build::record(build::start(), build::e(12, 4, 3), build::en(10, 2), build::es(10, 2),
                           build::g(10, 3, 2), build::i(5, 3), build::o(4), build::z(4, 2),
                           build::b(8), build::l(2), build::d(25, 16), build::rep(3, build::i()),
                           build::end()))},
      {"()", words(build::record(build::start(), build::end()))},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> out;
    const CompileResult r = compile_format(c.text, out);
    EXPECT_EQ(r.status, kOk) << c.text << ": " << r.what << " at " << r.position;
    EXPECT_EQ(out, c.want) << c.text;
  }
}

TEST(CompileFormat, SyntaxErrorsGiveAPosition) {
  struct Case {
    std::string text;
    std::size_t position;
  };
  const Case cases[] = {
      {"", 0},      {"I5", 0},       {"(I5", 3},       {"(I5,)", 4},
      {"(,I5)", 1}, {"(I5 I6)", 4},  {"(E10)", 4},     {"(K5)", 1},
      {"(0I5)", 1}, {"(40000X)", 1}, {"('abc)", 6},    {"(5HAB)", 3},
      {"(I5)x", 4}, {"(3T5)", 2},    {"(D10.2E3)", 6}, {"(1(2(3(4(5(6(7(8(9(I1))))))))))", 18},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> out{1, 2, 3};
    const CompileResult r = compile_format(c.text, out);
    EXPECT_EQ(r.status, status_of(kFormatSyntax)) << c.text;
    EXPECT_TRUE(is_severe(r.status));
    EXPECT_EQ(r.position, c.position) << c.text << ": " << r.what;
    EXPECT_FALSE(r.what.empty());
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
}  // namespace recio
