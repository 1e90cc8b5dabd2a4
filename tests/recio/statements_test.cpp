#include "recio/statements.h"

#include <gtest/gtest.h>

#include <string>

#include "recio/catalog.h"
#include "recio/format_builder.h"
#include "recio/run_time_error.h"
#include "support/temp_dir.h"

namespace recio {
namespace {

using tavo::testing::read_file;
using tavo::testing::TempDir;
using tavo::testing::write_file;
using ::testing::ExitedWithCode;

constexpr auto kI6 = build::record(build::start(), build::i(6), build::end());
constexpr auto kLine = build::record(build::start(), build::lit<"x = ">(), build::i(6),
                                     build::tr(2), build::a(3), build::end());

constexpr int exit_byte(std::uint16_t number) {
  return static_cast<int>(make_status(Severity::Severe, number).bits() & 0xFF);
}

class StatementsTest : public ::testing::Test {
 protected:
  ~StatementsTest() override {
    for (int n : UnitTable::instance().connected_numbers())
      EXPECT_EQ(UnitTable::instance().close(n), kOk);
  }
  TempDir dir_;
};

TEST_F(StatementsTest, TypedFrontAndCallSequenceWriteTheSameRecords) {
  ASSERT_EQ(open(10, {.file = "out.txt"}, kHandlesErrors), kOk);
  std::int32_t v = 42;
  char abc[] = "abc";
  write_formatted(10, kLine, {Item::of(v), Item::text(abc, 3)});
  EXPECT_EQ(start_formatted_write(10, 0, kLine, Item::value(7)), kOk);
  EXPECT_EQ(transfer_item(Item::text("xyz", 3)), kOk);
  EXPECT_EQ(transfer_item(Item::end()), kOk);
  EXPECT_EQ(close(10, {}, kHandlesErrors), kOk);
  EXPECT_EQ(read_file("out.txt"), "x =     42  abc\r\nx =      7  xyz\r\n");
}

TEST_F(StatementsTest, ArrayItemsAndRecordsPerStatement) {
  write_file("in.txt", "1 2\n3\n9 9\n4.5, 'quoted text'\n");
  ASSERT_EQ(open(7, {.file = "in.txt", .status = OpenStatus::Old}, kHandlesErrors), kOk);
  std::int32_t a[3] = {};
  double d = 0;
  char text[12];
  read_list(7, {Item::array(a, 3)});
  read_list(7, {});  // an empty list skips one record
  read_list(7, {Item::of(d), Item::text(text, sizeof text)});
  EXPECT_EQ(a[0] + a[1] + a[2], 6);
  EXPECT_EQ(d, 4.5);
  EXPECT_EQ(std::string(text, sizeof text), "quoted text ");
}

TEST_F(StatementsTest, HandledErrorsAreReturnedNotReported) {
  write_file("in.txt", "abc\n");
  ASSERT_EQ(open(7, {.file = "in.txt", .status = OpenStatus::Old}, kHandlesErrors), kOk);
  double d = 0;
  EXPECT_EQ(message_number(read_list(7, {Item::of(d)}, kHandlesErrors)), kListSyntax);
  EXPECT_EQ(message_number(read_list(7, {Item::of(d)}, kHandlesErrors)), kEndOfFile);
  // The call sequence keeps a failed statement open, storing nothing, until its end.
  ASSERT_EQ(close(7, {}, kHandlesErrors), kOk);
  ASSERT_EQ(open(7, {.file = "in.txt", .status = OpenStatus::Old}, kHandlesErrors), kOk);
  std::int32_t i = 5;
  EXPECT_EQ(message_number(start_list_read(7, kHandlesErrors, Item::of(d))), kListSyntax);
  EXPECT_EQ(message_number(transfer_item(Item::of(i))), kListSyntax);
  EXPECT_EQ(i, 5);
  EXPECT_EQ(message_number(transfer_item(Item::end())), kListSyntax);
  // The unit is free again: the next statement is not recursive I/O.
  EXPECT_EQ(message_number(read_list(7, {Item::of(d)}, kHandlesErrors)), kEndOfFile);

  EXPECT_EQ(message_number(open(7, {.file = "nope", .status = OpenStatus::Old}, kHandlesErrors)),
            kFileNotFound);
}

TEST_F(StatementsTest, UnitChecksOfAStatement) {
  write_file("ro.txt", "1\n");
  ASSERT_EQ(open(7, {.file = "ro.txt", .action = Action::Read}, kHandlesErrors), kOk);
  EXPECT_EQ(message_number(write_formatted(7, kI6, {Item::value(1)}, kHandlesErrors)),
            kWriteReadOnly);
  ASSERT_EQ(open(8, {.file = "u.bin", .form = Form::Unformatted}, kHandlesErrors), kOk);
  EXPECT_EQ(message_number(write_formatted(8, kI6, {Item::value(1)}, kHandlesErrors)),
            kUnformattedUnit);
  EXPECT_EQ(message_number(read_list(-7, {}, kHandlesErrors)), kInvalidUnit);
}

TEST_F(StatementsTest, RecursiveIoOnTheSameUnit) {
  ASSERT_EQ(open(10, {.file = "out.txt"}, kHandlesErrors), kOk);
  ASSERT_EQ(start_formatted_write(10, kHandlesErrors, kI6, Item::value(1)), kOk);
  // An item routine that writes to the same unit again.
  EXPECT_EQ(message_number(write_formatted(10, kI6, {Item::value(2)}, kHandlesErrors)),
            kRecursiveIo);
  // Another unit is fine.
  ASSERT_EQ(open(11, {.file = "other.txt"}, kHandlesErrors), kOk);
  EXPECT_EQ(write_formatted(11, kI6, {Item::value(3)}, kHandlesErrors), kOk);
  EXPECT_EQ(transfer_item(Item::end()), kOk);
  EXPECT_EQ(read_file("out.txt"), "     1\r\n");
  EXPECT_EQ(read_file("other.txt"), "     3\r\n");
}

TEST_F(StatementsTest, ImplicitOpenOfAnUnconnectedUnit) {
  ::unsetenv("FORT8");
  write_file("fort.8", "17\n");
  std::int32_t v = 0;
  read_list(8, {Item::of(v)});
  EXPECT_EQ(v, 17);
  EXPECT_EQ(UnitTable::instance().find(8)->name(), "fort.8");
}

TEST_F(StatementsTest, ConversionErrorIsReportedOnceAndTheStatementGoesOn) {
  EXPECT_EXIT(
      {
        open(10, {.file = "report.txt"});
        constexpr auto k3I6 =
            build::record(build::start(), build::i(6), build::i(6), build::i(6), build::end());
        // Without error handling the status is reported, and comes back when the flags are given.
        Status s = write_formatted(
            10, k3I6, {Item::value(1), Item::value(12345678), Item::value(-1234567)}, 0);
        write_formatted(10, kI6, {Item::value(2)});
        close(10);
        std::_Exit(message_number(s) == kOutputConversion ? 0 : 1);
      },
      ExitedWithCode(0),
      "^lumrtl: error \\(63\\): output conversion error, unit 10, file .*/report.txt\r\n$");
  EXPECT_EQ(read_file("report.txt"), "     1************\r\n     2\r\n");
}

struct FatalCase {
  const char* input;
  std::uint16_t number;
  const char* text;
};

class FatalReadTest : public StatementsTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(FatalReadTest, ExactMessageLineAndStatus) {
  const FatalCase& c = GetParam();
  write_file("dados.r33", c.input);
  std::string path = (dir_.path() / "dados.r33").string();
  EXPECT_EXIT(
      {
        open(7, {.file = "dados.r33", .status = OpenStatus::Unknown});
        double d;
        read_list(7, {Item::of(d)});
        read_list(7, {Item::of(d)});
        std::_Exit(0);
      },
      ExitedWithCode(exit_byte(c.number)),
      "^lumrtl: severe \\(" + std::to_string(c.number) + "\\): " + c.text + ", unit 7, file " +
          path + "\r\n$");
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FatalReadTest,
    ::testing::Values(FatalCase{"1.0\n", kEndOfFile, "end-of-file during read"},
                      FatalCase{"1.0\n12a\n", kListSyntax, "list-directed I/O syntax error"},
                      FatalCase{"1.0\n'12'\n", kInputConversion, "input conversion error"}));

TEST_F(StatementsTest, SevereWriteErrorShowsTheSystemTextFirst) {
  EXPECT_EXIT(
      {
        open(10, {.file = "/dev/full"});
        write_formatted(10, kI6, {Item::value(1)});
        std::_Exit(0);
      },
      ExitedWithCode(exit_byte(kWriteError)),
      "^lumrtl: No space left on device\r\nlumrtl: severe \\(38\\): error during write, unit 10, "
      "file /dev/full\r\n$");
}

}  // namespace
}  // namespace recio
