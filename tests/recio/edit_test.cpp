#include "recio/edit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace recio {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr auto P = SignMode::Plus;
constexpr auto S = SignMode::Processor;

using RealEditor = bool (*)(std::span<char>, double, const RealEdit&) noexcept;

struct RealCase {
  RealEditor edit;
  double v;
  int w;
  RealEdit r;
  std::string want;
};

// Stars mean the value did not fit: the editor must say so.
void check(const RealCase& c) {
  std::string field(c.w, '?');
  const bool fit = c.edit(field, c.v, c.r);
  EXPECT_EQ(field, c.want) << "value " << c.v << " w " << c.w << " d " << c.r.d << " k " << c.r.k;
  EXPECT_EQ(fit, c.want.find('*') == std::string::npos) << c.want;
}

TEST(EditE, ScaleFactorOne) {
  const RealCase cases[] = {
      {edit_e, -1234.5, 30, {.d = 19, .k = 1}, "    -1.2345000000000000000E+03"},
      {edit_e, 0.01, 11, {.d = 2, .k = 1}, "   1.00E-02"},
      {edit_e, 6.02e23, 16, {.d = 9, .k = 1}, " 6.020000000E+23"},
      {edit_e, 1e-10, 30, {.d = 19, .k = 1}, "     1.0000000000000000364E-10"},
      {edit_e, 0.4, 22, {.d = 15, .k = 1}, " 4.000000000000000E-01"},
      {edit_e, 9.9999, 10, {.d = 2, .k = 1}, "  1.00E+01"},
      {edit_e, 5e-324, 30, {.d = 19, .k = 1}, "     4.9406564584124654418-324"},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditE, Zero) {
  const RealCase cases[] = {
      {edit_e, 0.0, 30, {.d = 19, .k = 1}, "     0.0000000000000000000E+00"},
      {edit_e, -0.0, 23, {.d = 14, .k = 1}, "   0.00000000000000E+00"},
      {edit_e, 0.0, 11, {.d = 2, .k = -3}, "   0.00E+00"},
      {edit_e, 0.0, 11, {.d = 2, .k = 5}, "   0.00E+00"},
      {edit_e, 0.0, 7, {.d = 2}, ".00E+00"},
      {edit_e, 0.0, 9, {.d = 2, .sign = P}, " +.00E+00"},
      {edit_e, 0.0, 10, {.d = 2, .e = 3}, " 0.00E+000"},
      {edit_d, 0.0, 9, {.d = 2}, " 0.00D+00"},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditE, ThreeDigitExponents) {
  const RealCase cases[] = {
      {edit_e, 1.0e-100, 11, {.d = 2, .k = 1}, "   1.00-100"},
      {edit_e, 1.0e+100, 11, {.d = 2, .k = 1}, "   1.00+100"},
      {edit_e, 1.0e-100, 30, {.d = 19, .k = 1}, "     1.0000000000000000200-100"},
      {edit_e, 1.0e+100, 30, {.d = 19, .k = 1}, "     1.0000000000000000159+100"},
      {edit_e, 1.0e-100, 11, {.d = 2}, "   0.10E-99"},
      {edit_d, 1.0e+100, 11, {.d = 2, .k = 1}, "   1.00+100"},
      {edit_e, 1.0e+100, 8, {.d = 2, .k = 1}, "1.00+100"},
      {edit_e, -1.0e+100, 8, {.d = 2, .k = 1}, "********"},
      {edit_e, 1.0e+100, 11, {.d = 2, .e = 2, .k = 1}, "***********"},
      {edit_e, 1.0e+100, 11, {.d = 2, .e = 3, .k = 1}, "  1.00E+100"},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditE, RoundsHalfwayToEven) {
  const RealCase cases[] = {
      {edit_e, 1.0 / 32, 11, {.d = 2, .k = 1}, "   3.12E-02"},
      {edit_e, 3.0 / 32, 11, {.d = 2, .k = 1}, "   9.38E-02"},
      {edit_e, 0.125, 10, {.d = 1, .k = 1}, "   1.2E-01"},
      {edit_e, 0.375, 10, {.d = 1, .k = 1}, "   3.8E-01"},
      {edit_e, 2.5, 10, {.d = 0, .k = 1}, "    2.E+00"},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditE, OtherScaleFactorsAndSigns) {
  const RealCase cases[] = {
      {edit_e, 0.01, 11, {.d = 2}, "   0.10E-01"},
      {edit_e, 1234.5, 12, {.d = 3, .k = -1}, "   0.012E+05"},
      {edit_e, 1234.5, 12, {.d = 3, .k = 2}, "   12.34E+02"},
      {edit_e, 1234.5, 12, {.d = 3, .k = 4}, "   1234.E+00"},
      {edit_e, 1234.5, 12, {.d = 3, .k = 5}, "************"},
      {edit_e, 1234.5, 12, {.d = 0}, "************"},
      {edit_e, 1234.5, 12, {.d = 2, .k = -2}, "************"},
      {edit_e, 0.5, 8, {.d = 2}, "0.50E+00"},
      {edit_e, -0.5, 8, {.d = 2}, "-.50E+00"},
      {edit_e, -0.5, 9, {.d = 2}, " -.50E+00"},
      {edit_e, -0.5, 10, {.d = 2}, " -0.50E+00"},
      {edit_e, 1.0, 11, {.d = 2, .k = 1, .sign = P}, "  +1.00E+00"},
      {edit_e, 1.0, 11, {.d = 2, .k = 1, .sign = SignMode::Suppress}, "   1.00E+00"},
      {edit_e, 1.5, 12, {.d = 4, .e = 3}, " 0.1500E+001"},
      {edit_e, 1e10, 12, {.d = 4, .e = 1}, "************"},
      {edit_e, 1.0, 7, {.d = 2, .k = 1}, "*******"},
      {edit_d, 0.01, 11, {.d = 2, .k = 1}, "   1.00D-02"},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditE, InfinityAndNaN) {
  const RealCase cases[] = {
      {edit_e, kInf, 24, {.d = 15, .k = 1}, " Infinity               "},
      {edit_e, -kInf, 24, {.d = 15, .k = 1}, " -Infinity              "},
      {edit_e, kNaN, 24, {.d = 15, .k = 1}, " NaN                    "},
      {edit_e, -kNaN, 24, {.d = 15, .k = 1}, " NaN                    "},
      {edit_e, kInf, 11, {.d = 2, .k = 1, .sign = P}, " Infinity  "},
      {edit_e, -kInf, 11, {.d = 2, .k = 1}, " -Infinity "},
      {edit_e, -kInf, 10, {.d = 2}, " -Infinity"},
      {edit_e, -kInf, 9, {.d = 2}, "*********"},
      {edit_e, kInf, 8, {.d = 2}, "********"},
      {edit_e, kNaN, 4, {.d = 2}, " NaN"},
      {edit_e, kNaN, 3, {.d = 2}, "***"},
      {edit_f, -kInf, 12, {.d = 2}, " -Infinity  "},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditF, Fixed) {
  const RealCase cases[] = {
      {edit_f, 3.14159, 8, {.d = 3}, "   3.142"},
      {edit_f, -0.0004, 8, {.d = 3}, "   0.000"},
      {edit_f, 0.5, 5, {.d = 2}, " 0.50"},
      {edit_f, 0.5, 4, {.d = 2}, "0.50"},
      {edit_f, -0.5, 4, {.d = 2}, "-.50"},
      {edit_f, 0.5, 3, {.d = 2}, ".50"},
      {edit_f, 12.5, 6, {.d = 0}, "   12."},
      {edit_f, 12345.0, 10, {.d = 2, .k = -3}, "     12.34"},
      {edit_f, 1.5, 10, {.d = 2, .k = 2}, "    150.00"},
      {edit_f, 1e10, 5, {.d = 1}, "*****"},
      {edit_f, 0.06, 5, {.d = 1}, "  0.1"},
      {edit_f, 0.04, 5, {.d = 1}, "  0.0"},
      {edit_f, 0.25, 5, {.d = 1}, "  0.2"},
      {edit_f, 0.001, 8, {.d = 5}, " 0.00100"},
      {edit_f, 2.0, 6, {.d = 1, .sign = P}, "  +2.0"},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditG, PicksFixedOrExponent) {
  const RealCase cases[] = {
      {edit_g, 1.0, 10, {.d = 3}, "  1.00    "},
      {edit_g, 1234.0, 11, {.d = 3}, "  0.123E+04"},
      {edit_g, 0.0, 10, {.d = 3}, "  0.00    "},
      {edit_g, 0.01, 10, {.d = 3}, " 0.100E-01"},
      {edit_g, 999.6, 10, {.d = 3}, " 0.100E+04"},
      {edit_g, 1.0, 11, {.d = 3, .e = 3}, "  1.00     "},
      {edit_g, 123.0, 10, {.d = 3, .k = 2}, "  123.    "},
  };
  for (const auto& c : cases) check(c);
}

TEST(EditEnEs, EngineeringAndScientific) {
  const RealCase cases[] = {
      {edit_en, 1234.5, 12, {.d = 3}, "   1.234E+03"},
      {edit_en, 0.0123, 12, {.d = 3}, "  12.300E-03"},
      {edit_en, 999.9999, 12, {.d = 3}, "   1.000E+03"},
      {edit_en, -12345.0, 12, {.d = 3}, " -12.345E+03"},
      {edit_en, 0.0, 12, {.d = 3}, "   0.000E+00"},
      {edit_es, 1234.5, 12, {.d = 3, .k = -2}, "   1.234E+03"},
      {edit_es, 1e-100, 12, {.d = 3}, "   1.000-100"},
  };
  for (const auto& c : cases) check(c);
}

struct IntCase {
  std::int64_t v;
  int w, m;
  SignMode sign;
  std::string want;
};

TEST(EditI, Integers) {
  const IntCase cases[] = {
      {12, 6, 1, S, "    12"},
      {-12, 6, 1, S, "   -12"},
      {1234567, 6, 1, S, "******"},
      {5, 6, 3, S, "   005"},
      {-5, 6, 3, S, "  -005"},
      {5, 6, 1, P, "    +5"},
      {-5, 2, 1, S, "-5"},
      {-5, 1, 1, S, "*"},
      {0, 6, 0, S, "     0"},
      {std::numeric_limits<std::int32_t>::min(), 12, 1, S, " -2147483648"},
      {std::numeric_limits<std::int64_t>::min(), 20, 1, S, "-9223372036854775808"},
  };
  for (const auto& c : cases) {
    std::string field(c.w, '?');
    EXPECT_EQ(edit_i(field, c.v, c.m, c.sign), c.want.find('*') == std::string::npos);
    EXPECT_EQ(field, c.want);
  }
}

TEST(EditOther, RadixLogicalText) {
  std::string f(8, '?');
  EXPECT_TRUE(edit_radix(f, 255, 4, 1));
  EXPECT_EQ(f, "      FF");
  EXPECT_TRUE(edit_radix(f, 5, 1, 8));
  EXPECT_EQ(f, "00000101");
  EXPECT_TRUE(edit_radix(f, 8, 3, 1));
  EXPECT_EQ(f, "      10");
  f.assign(3, '?');
  EXPECT_FALSE(edit_radix(f, 0x1234, 4, 1));
  EXPECT_EQ(f, "***");
  edit_l(f, true);
  EXPECT_EQ(f, "  T");

  const std::string forty = "0123456789012345678901234567890123456789";
  std::string a12(12, '?');
  edit_a(a12, forty);
  EXPECT_EQ(a12, "012345678901");
  std::string a80(80, '?');
  edit_a(a80, std::string(60, 'x'));
  EXPECT_EQ(a80, std::string(20, ' ') + std::string(60, 'x'));
}

TEST(WriteListInt, IntoCharacterVariable) {
  char var[20];
  EXPECT_EQ(write_list_int(var, 20, 42), kOk);
  EXPECT_EQ(std::string(var, 20), "          42        ");
  EXPECT_EQ(write_list_int(var, 12, std::numeric_limits<std::int32_t>::min()), kOk);
  EXPECT_EQ(std::string(var, 12), " -2147483648");
  std::string small(11, '?');
  EXPECT_EQ(write_list_int(small.data(), small.size(), 1), status_of(kRecordOverflow));
  EXPECT_EQ(small, std::string(11, ' '));
}

}  // namespace
}  // namespace recio
