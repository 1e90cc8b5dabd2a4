#include "recio/made_statements.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "recio/catalog.h"
#include "recio/format_builder.h"
#include "recio/statements.h"
#include "support/temp_dir.h"

namespace recio {
namespace {

using tavo::testing::read_file;
using tavo::testing::TempDir;
using tavo::testing::write_file;

constexpr auto kI6 = build::record(build::start(), build::i(6), build::end());
constexpr auto kThreeLines =
    build::record(build::start(), build::slash(), build::lit<"a = ">(), build::p(1),
                  build::e(24, 15), build::slash(), build::tr(5), build::a(8), build::end());
constexpr auto kReverting = build::record(build::start(), build::i(4), build::group(2), build::i(3),
                                          build::group_end(), build::end());
constexpr auto kOpen =
    build::record(build::start(), build::lit<"prompt: ">(), build::dollar(), build::end());
constexpr std::uint32_t kNoStart[] = {0};

class MadeStatementsTest : public ::testing::Test {
 protected:
  ~MadeStatementsTest() override {
    for (int n : UnitTable::instance().connected_numbers())
      static_cast<void>(UnitTable::instance().close(n));  // /dev/full refused a write before
  }
  TempDir dir_;
};

using Statement = std::function<void(std::span<const std::uint32_t>, std::initializer_list<Item>)>;

// Statements of several records, reversion, a record left open and the one after it, a real
// that is not finite, no items at all.
void each_statement(const Statement& statement) {
  static char name[] = "pressure";
  statement(kI6, {Item::value(42)});
  statement(kI6, {});
  statement(kThreeLines, {Item::value(1.0 / 3), Item::text(name, 8)});
  statement(kThreeLines, {Item::value(-std::numeric_limits<double>::infinity())});
  statement(kReverting, {Item::value(1), Item::value(2), Item::value(3), Item::value(4),
                         Item::value(5), Item::value(6)});
  statement(kOpen, {});
  statement(kI6, {Item::value(7)});
}

// The records made ahead, on another thread, and written later are the bytes the statement
// writes itself.
TEST_F(MadeStatementsTest, SameBytesAsTheStatement) {
  MadeStatements made;
  std::thread maker([&] {
    each_statement([&](auto format, auto items) { EXPECT_EQ(made.add(format, items), kOk); });
  });
  maker.join();
  ASSERT_EQ(made.size(), 7u);
  EXPECT_EQ(made.record_count(2), 3u);

  ASSERT_EQ(open(10, {.file = "direct.txt"}, 0), kOk);
  ASSERT_EQ(open(11, {.file = "made.txt"}, 0), kOk);
  std::size_t i = 0;
  each_statement([&](auto format, auto items) {
    EXPECT_EQ(write_formatted(10, format, items, 0), kOk);
    EXPECT_EQ(write_made(11, made, i, 0), kOk);
    EXPECT_EQ(read_file("made.txt"), read_file("direct.txt")) << i;
    ++i;
  });
  made.clear();
  EXPECT_EQ(made.size(), 0u);
}

// A statement that would fail is left to the statement itself: nothing is made of it.
TEST_F(MadeStatementsTest, FailuresAreNotMade) {
  MadeStatements made;
  ASSERT_EQ(made.add(kI6, {Item::value(1)}), kOk);
  EXPECT_EQ(message_number(made.add(kI6, {Item::value(12345678)})), kOutputConversion);
  EXPECT_EQ(message_number(made.add(kNoStart, {Item::value(1)})), kFormatSyntax);
  EXPECT_EQ(message_number(made.add(kI6, {Item::value(1.5)})), kFormatTypeMismatch);
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made.record_count(0), 1u);
  EXPECT_EQ(made.record(0, 0), "     1");
}

// The unit's checks and failures are the statement's, as for write_formatted.
TEST_F(MadeStatementsTest, UnitChecksAndWriteErrors) {
  MadeStatements made;
  ASSERT_EQ(made.add(kI6, {Item::value(1)}), kOk);
  write_file("ro.txt", "1\n");
  ASSERT_EQ(open(7, {.file = "ro.txt", .action = Action::Read}, 0), kOk);
  EXPECT_EQ(message_number(write_made(7, made, 0, kHandlesErrors)), kWriteReadOnly);
  ASSERT_EQ(open(8, {.file = "u.bin", .form = Form::Unformatted}, 0), kOk);
  EXPECT_EQ(message_number(write_made(8, made, 0, kHandlesErrors)), kUnformattedUnit);
  ASSERT_EQ(open(9, {.file = "/dev/full"}, 0), kOk);
  EXPECT_EQ(message_number(write_made(9, made, 0, kHandlesErrors)), kWriteError);
  EXPECT_EQ(message_number(write_made(-7, made, 0, kHandlesErrors)), kInvalidUnit);
}

}  // namespace
}  // namespace recio
