#include "console/core/cp1252.h"

#include <gtest/gtest.h>

namespace console::cp1252 {
namespace {

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string text = decode(all);
  ASSERT_EQ(text.size(), 256u);
  bool lossless = false;
  EXPECT_EQ(encode(text, '?', &lossless), all);
  EXPECT_TRUE(lossless);
}

TEST(Cp1252, MapsTheHighRangeToItsCharacters) {
  const std::pair<unsigned char, char16_t> cases[] = {
      {0x80, u'\u20AC'}, {0x82, u'\u201A'}, {0x83, u'\u0192'}, {0x85, u'\u2026'}, {0x8A, u'\u0160'},
      {0x8C, u'\u0152'}, {0x8E, u'\u017D'}, {0x91, u'\u2018'}, {0x93, u'\u201C'}, {0x96, u'\u2013'},
      {0x97, u'\u2014'}, {0x99, u'\u2122'}, {0x9C, u'\u0153'}, {0x9F, u'\u0178'}, {0xA0, u'\u00A0'},
      {0xE7, u'\u00E7'}, {0xE9, u'\u00E9'}, {0xFF, u'\u00FF'}, {0x81, u'\u0081'}, {0x9D, u'\u009D'},
  };
  for (auto [byte, ch] : cases) {
    EXPECT_EQ(to_unicode(byte), ch) << int(byte);
    EXPECT_EQ(from_unicode(ch), byte) << int(byte);
  }
}

TEST(Cp1252, CharactersWithoutAByteAreReplaced) {
  bool lossless = true;
  // U+0100, a surrogate pair (U+1F600) and U+20AD have no byte; the pair counts once.
  EXPECT_EQ(encode(u"a\u0100b\U0001F600c\u20AD", '?', &lossless), "a?b?c?");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(from_unicode(U'\u0080'), -1);
  EXPECT_EQ(from_unicode(U'\U0001F600'), -1);
  EXPECT_EQ(encode(u"x\xD800", '_'), "x_");  // a lone surrogate
}

TEST(Cp1252, FromUtf8) {
  EXPECT_EQ(from_utf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  EXPECT_EQ(from_utf8("\xE2\x98\x83"), "?");             // U+2603 has no byte
  EXPECT_EQ(from_utf8("caf\xE9"), "caf\xE9");            // not UTF-8: kept as bytes
  EXPECT_EQ(from_utf8("\xC0\xAF"), "\xC0\xAF");          // overlong form
  EXPECT_EQ(from_utf8("\xED\xA0\x80"), "\xED\xA0\x80");  // encoded surrogate
  EXPECT_EQ(from_utf8("\xC3"), "\xC3");                  // cut short
}

TEST(Cp1252, ToUtf8RoundTripsEveryByte) {
  EXPECT_EQ(to_utf8("caf\xE9 \x80 \xC3O"), "caf\xC3\xA9 \xE2\x82\xAC \xC3\x83O");
  EXPECT_EQ(to_utf8("\x81"), "\xC2\x81");  // unassigned: the C1 control of the same value
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(from_utf8(to_utf8(all)), all);
}

}  // namespace
}  // namespace console::cp1252
