#include "recio/run_time_error.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <concepts>
#include <limits>
#include <thread>
#include <type_traits>

#include "console/core/pause.h"
#include "console/core/threads.h"
#include "recio/allocation.h"
#include "recio/catalog.h"
#include "recio/format_builder.h"
#include "recio/math_functions.h"
#include "recio/process_end.h"
#include "recio/startup.h"
#include "recio/statements.h"
#include "recio/units.h"
#include "support/temp_dir.h"

namespace recio {
namespace {

using tavo::testing::read_file;
using tavo::testing::TempDir;
using ::testing::ExitedWithCode;

TEST(Catalog, EveryEntryIsSortedAndCarriesItsSeverity) {
  auto entries = catalog();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.front().number, 0);
  EXPECT_EQ(entries.front().text, "operation completed successfully");
  for (std::size_t i = 1; i < entries.size(); ++i) {
    EXPECT_LT(entries[i - 1].number, entries[i].number);
    const CatalogEntry& e = entries[i];
    Status s = status_of(e.number);
    EXPECT_EQ(message_number(s), e.number);
    EXPECT_EQ(severity_of(s), e.severity) << e.number;
    EXPECT_EQ(message_text(s), e.text);
    // Unit-related I/O texts end with the unit and file placeholders.
    if (e.text.find("unit %d") != std::string_view::npos) {
      EXPECT_TRUE(e.text.ends_with(", unit %d, file %s")) << e.number;
    }
  }
}

TEST(Catalog, SeveritiesOfTheMessagesAProgramCanMeet) {
  struct Case {
    std::uint16_t number;
    Severity severity;
  } cases[] = {{24, Severity::Severe}, {29, Severity::Severe},  {63, Severity::Error},
               {65, Severity::Error},  {72, Severity::Error},   {200, Severity::Error},
               {297, Severity::Info},  {152, Severity::Severe}, {172, Severity::Severe}};
  for (const Case& c : cases) EXPECT_EQ(severity_of(status_of(c.number)), c.severity) << c.number;
  EXPECT_EQ(message_text(make_status(Severity::Severe, 9999)), "Message not found");
}

// The names of the processor exceptions' numbers against the catalog's texts.
TEST(Catalog, ProcessorExceptionNames) {
  struct Case {
    Msg number;
    std::string_view name;
  } cases[] = {{kAccessViolation, "access violation"},
               {kDatatypeMisalignment, "datatype misalignment"},
               {kBreakpoint, "breakpoint"},
               {kSingleStep, "single step"},
               {kArrayBoundsExceeded, "array bounds exceeded"},
               {kIntegerDivideByZero, "integer divide by zero"},
               {kIntegerOverflow, "integer overflow"},
               {kPrivilegedInstruction, "privileged instruction"},
               {kInPageError, "in-page error"},
               {kIllegalInstruction, "illegal instruction"},
               {kStackOverflow, "stack overflow"}};
  for (const Case& c : cases)
    EXPECT_EQ(message_text(status_of(c.number)), "Program Exception - " + std::string(c.name));
}

// A message number is no status, and a status no number.
static_assert(!std::is_convertible_v<Msg, Status> && !std::is_convertible_v<std::uint32_t, Status>);
static_assert(!std::is_convertible_v<Status, std::uint32_t>);
static_assert(!std::equality_comparable_with<Status, Msg>);

TEST(StatusCode, SeverityBits) {
  EXPECT_EQ(make_status(Severity::Severe, 29).bits(), 0xC000001Du);
  EXPECT_EQ(make_status(Severity::Error, 63).bits(), 0x8000003Fu);
  EXPECT_EQ(make_status(Severity::Info, 297).bits(), 0x40000129u);
  EXPECT_EQ(severity_of(kOk), Severity::None);
  EXPECT_EQ(severity_of(make_status(Severity::Warning, 5)), Severity::Warning);
}

TEST(ComposeLine, UnitAndFullPathFilledIn) {
  TempDir dir;
  std::unique_ptr<Unit> failed;
  Status s = UnitTable::instance().open(
      7, OpenOptions{.file = "dados.r33", .status = OpenStatus::Old}, &failed);
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(compose_line(s, failed.get()), "lumrtl: severe (29): file not found, unit 7, file " +
                                               (dir.path() / "dados.r33").string());
  EXPECT_EQ(compose_os_line(failed->os_error()), "lumrtl: No such file or directory");
  EXPECT_EQ(compose_line(status_of(kAborting), {"control-C"}),
            "lumrtl: error (200): program aborting due to control-C event");
  EXPECT_EQ(compose_line(status_of(kNoMemory), nullptr),
            "lumrtl: severe (41): insufficient virtual memory");
}

TEST(ComposeLine, UnknownOsErrorHasAStandInText) {
  EXPECT_EQ(compose_os_line(99999), "lumrtl: FormatMessage failed for sysmem message number 99999");
}

TEST(EnvTrue, TruthRule) {
  struct Case {
    const char* value;
    bool expected;
  } cases[] = {{"T", true},   {"true", true}, {"y", true},    {"Yes", true}, {"1", true},
               {"-3", true},  {"0", false},   {"F", false},   {"no", false}, {"", false},
               {"00", false}, {"x1", false},  {"12abc", true}};
  for (const Case& c : cases) {
    ::setenv("TAVO_TRUTH_TEST", c.value, 1);
    EXPECT_EQ(env_true("TAVO_TRUTH_TEST"), c.expected) << c.value;
  }
  ::unsetenv("TAVO_TRUTH_TEST");
  EXPECT_FALSE(env_true("TAVO_TRUTH_TEST"));
}

TEST(Allocation, SizesWithoutOverflow) {
  std::size_t bytes = 0;
  EXPECT_EQ(table_bytes({3, 4, 2}, 8, bytes), kOk);
  EXPECT_EQ(bytes, 192u);
  EXPECT_EQ(table_bytes({-5, 4}, 8, bytes), kOk);
  EXPECT_EQ(bytes, 0u);
  constexpr std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(message_number(table_bytes({kMax32, kMax32, 2}, 8, bytes)), kNoMemory);
  EXPECT_EQ(message_number(table_bytes({kMax32, kMax32, kMax32, kMax32}, 8, bytes)), kNoMemory);

  void* block = nullptr;
  ASSERT_EQ(allocate_zeroed(block, {4, 2}, sizeof(double)), kOk);
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(static_cast<double*>(block)[i], 0.0);
  EXPECT_EQ(message_number(allocate_zeroed(block, {4}, 8)), kAlreadyAllocated);
  std::free(block);

  void* empty = nullptr;
  EXPECT_EQ(allocate_zeroed(empty, {0, 7}, 8), kOk);
  EXPECT_EQ(empty, nullptr);
  // A table beyond the machine's memory is refused, whatever the kernel would promise.
  EXPECT_EQ(message_number(allocate_zeroed(empty, {kMax32, 2}, 80)), kNoMemory);
  EXPECT_EQ(empty, nullptr);
}

TEST(MathFunctions, InsideTheDomain) {
  EXPECT_DOUBLE_EQ(rt_log(std::exp(2.0)), 2.0);
  EXPECT_EQ(rt_log(std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(rt_pow(2, 10), 1024);
  EXPECT_EQ(rt_pow(-2, 3), -8);
  EXPECT_EQ(rt_pow(2, std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(rt_pow(0.5, std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(rt_pow(0, -1), std::numeric_limits<double>::infinity());
}

TEST(MathFunctions, MessageText) {
  EXPECT_EQ(compose_math_line("log", MathError::Domain), "M6201: MATH - log: DOMAIN error");
  EXPECT_EQ(compose_math_line("pow", MathError::Sing), "M6202: MATH - pow: SING error");
  EXPECT_EQ(compose_math_line("exp", MathError::PLoss), "M6206: MATH - exp: PLOSS error");
}

// Under a hold the same errors are kept instead of reported: the first one, until it is taken;
// the function's own result comes back.
TEST(MathFunctions, HeldErrors) {
  struct Case {
    double (*call)();
    std::string_view function;
    MathError kind;
  } cases[] = {
      {[] { return rt_log(0.0); }, "log", MathError::Sing},
      {[] { return rt_log(-1.0); }, "log", MathError::Domain},
      {[] { return rt_pow(1.0, -std::numeric_limits<double>::infinity()); }, "pow",
       MathError::Domain},
      {[] { return rt_pow(-8.0, 1.0 / 3); }, "pow", MathError::Domain},
  };
  MathErrorHold hold;
  for (const Case& c : cases) {
    EXPECT_FALSE(hold.holds());
    c.call();
    rt_log(-2.0);  // a later error does not replace the first
    ASSERT_TRUE(hold.holds()) << c.function;
    MathFault f = hold.take();
    EXPECT_EQ(f.function, c.function);
    EXPECT_EQ(f.kind, c.kind);
  }
  EXPECT_EQ(rt_log(0.0), -std::numeric_limits<double>::infinity());
  {
    MathErrorHold inner;  // nested: the inner hold takes the errors while it lives
    rt_pow(-8.0, 0.5);
    EXPECT_TRUE(inner.holds());
  }
  EXPECT_EQ(hold.take().kind, MathError::Sing);
  EXPECT_FALSE(hold.holds());
}

// The process status is the status code; the shell sees its low byte (29 for 0xC000001D).
constexpr int exit_byte(std::uint16_t number, Severity s = Severity::Severe) {
  return static_cast<int>(make_status(s, number).bits() & 0xFF);
}

TEST(MathFunctionsDeathTest, OutsideTheDomainEndsTheRun) {
  struct Case {
    double (*call)();
    const char* line;
    int number;
  } cases[] = {
      {[] { return rt_log(0.0); }, "run-time error M6202: MATH - log: SING error", 6202},
      {[] { return rt_log(-1.0); }, "run-time error M6201: MATH - log: DOMAIN error", 6201},
      {[] { return rt_log(std::nan("")); }, "M6201: MATH - log: DOMAIN error", 6201},
      {[] { return rt_pow(1.0, std::numeric_limits<double>::infinity()); },
       "M6201: MATH - pow: DOMAIN error", 6201},
      {[] { return rt_pow(-8.0, 1.0 / 3); }, "M6201: MATH - pow: DOMAIN error", 6201},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(c.call(), ExitedWithCode(exit_byte(static_cast<std::uint16_t>(c.number))), c.line);
  }
}

TEST(RunTimeErrorDeathTest, SevereStatusClosesUnitsAndExitsWithItsCode) {
  TempDir dir;
  EXPECT_EXIT(
      {
        UnitTable& t = UnitTable::instance();
        ASSERT_EQ(t.open(10, OpenOptions{.file = "report.txt"}), kOk);
        ASSERT_EQ(t.find(10)->put_record("written before the error"), kOk);
        raise_error(status_of(kEndOfFile), t.find(10));
      },
      ExitedWithCode(exit_byte(kEndOfFile)),
      "^lumrtl: severe \\(24\\): end-of-file during read, unit 10, file .*report.txt\r\n$");
  EXPECT_EQ(read_file("report.txt"), "written before the error\r\n");
}

TEST(RunTimeErrorDeathTest, OsTextComesFirst) {
  TempDir dir;
  EXPECT_EXIT(
      {
        std::unique_ptr<Unit> failed;
        Status s = UnitTable::instance().open(
            7, OpenOptions{.file = "missing", .status = OpenStatus::Old}, &failed);
        raise_error(s, failed.get());
      },
      ExitedWithCode(exit_byte(kFileNotFound)),
      "^lumrtl: No such file or directory\r\nlumrtl: severe \\(29\\): file not found, unit 7, "
      "file .*/missing\r\n$");
}

TEST(RunTimeErrorDeathTest, ErrorSeverityContinues) {
  EXPECT_EXIT(
      {
        raise_error(status_of(kOutputConversion), nullptr);
        std::_Exit(42);
      },
      ExitedWithCode(42), "lumrtl: error \\(63\\): output conversion error");
}

TEST(RunTimeErrorDeathTest, ExitHandlerRunsOnce) {
  TempDir dir;
  EXPECT_EXIT(
      {
        UnitTable& t = UnitTable::instance();
        ASSERT_EQ(t.open(10, OpenOptions{.file = "a.txt"}), kOk);
        ASSERT_EQ(t.find(10)->put_record("first"), kOk);
        run_exit_handler();
        ASSERT_EQ(t.open(11, OpenOptions{.file = "b.txt"}), kOk);
        ASSERT_EQ(t.find(11)->put_record("never flushed by a second pass"), kOk);
        run_exit_handler();
        std::_Exit(UnitTable::instance().find(10) == nullptr ? 0 : 1);
      },
      ExitedWithCode(0), "");
  EXPECT_EQ(read_file("a.txt"), "first\r\n");
  EXPECT_EQ(read_file("b.txt"), "");
}

TEST(RunTimeErrorDeathTest, FailedCloseInTheExitHandlerEndsAtOnce) {
  TempDir dir;
  EXPECT_EXIT(
      {
        UnitTable& t = UnitTable::instance();
        ASSERT_EQ(t.open(10, OpenOptions{.file = "/dev/full"}), kOk);
        ASSERT_EQ(t.find(10)->put_record("x"), kOk);
        run_exit_handler();
        std::_Exit(0);
      },
      ExitedWithCode(exit_byte(kWriteError)),
      "lumrtl: No space left on device\r\nlumrtl: severe \\(38\\): error during write, unit 10, "
      "file /dev/full");
}

TEST(StartupDeathTest, ControlSignalsEndWithError200AndANonZeroStatus) {
  struct Case {
    int signo;
    const char* event;
  } cases[] = {{SIGINT, "control-C"}, {SIGQUIT, "control-BREAK"}, {SIGHUP, "menu-CLOSE"}};
  for (const Case& c : cases) {
    TempDir dir;
    EXPECT_EXIT(
        {
          start_runtime();
          UnitTable& t = UnitTable::instance();
          ASSERT_EQ(t.open(10, OpenOptions{.file = "partial.txt"}), kOk);
          ASSERT_EQ(t.find(10)->put_record("kept"), kOk);
          ::raise(c.signo);
          for (;;) ::pause();
        },
        ExitedWithCode(128 + c.signo),
        std::string("lumrtl: error \\(200\\): program aborting due to ") + c.event + " event");
    EXPECT_EQ(read_file("partial.txt"), "kept\r\n");
  }
}

// A control signal during a statement lets the statement end before the units are closed; a
// statement that does not end within the grace period does not keep the process alive.
TEST(StartupDeathTest, ControlSignalWaitsForTheRunningStatement) {
  static constexpr auto kLine = build::record(build::start(), build::a(), build::end());
  TempDir dir;
  EXPECT_EXIT(
      {
        start_runtime();
        set_reentrancy(0);  // as the program runs: no signal is held off inside a statement
        open(10, OpenOptions{.file = "partial.txt"});
        ASSERT_EQ(start_formatted_write(10, 0, kLine, Item::text("first", 5)), kOk);
        ::kill(::getpid(), SIGINT);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(transfer_item(Item::text("second", 6)), kOk);
        ASSERT_EQ(transfer_item(Item::end()), kOk);
        for (;;) ::pause();
      },
      ExitedWithCode(128 + SIGINT), "control-C");
  EXPECT_EQ(read_file("partial.txt"), "first\r\nsecond\r\n");

  EXPECT_EXIT(
      {
        start_runtime();
        set_reentrancy(0);  // as the program runs: no signal is held off inside a statement
        open(10, OpenOptions{.file = "never.txt"});
        ASSERT_EQ(start_formatted_write(10, 0, kLine, Item::text("first", 5)), kOk);
        ::kill(::getpid(), SIGINT);
        for (;;) ::pause();
      },
      ExitedWithCode(128 + SIGINT), "control-C");
}

// The frame closed while the program is paused: the program thread, stopped inside a statement,
// is let go so that the statement ends with whole records before the units are closed.
TEST(RunTimeErrorDeathTest, ExitLetsAPausedStatementEnd) {
  static constexpr auto kLine = build::record(build::start(), build::a(), build::end());
  TempDir dir;
  EXPECT_EXIT(
      {
        console::set_gui_thread();
        set_reentrancy(0);
        open(10, OpenOptions{.file = "paused.txt"});
        std::atomic<bool> in_statement{false};
        std::atomic<bool> go_on{false};
        std::thread program([&] {
          console::thread_record();
          if (start_formatted_write(10, 0, kLine, Item::text("first", 5)) != kOk) std::_Exit(4);
          in_statement = true;
          while (!go_on) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          if (transfer_item(Item::text("second", 6)) != kOk) std::_Exit(5);
          if (transfer_item(Item::end()) != kOk) std::_Exit(6);
          for (;;) ::pause();
        });
        while (!in_statement) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (console::suspend_workers() != 1) std::_Exit(2);
        go_on = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!read_file("paused.txt").empty()) std::_Exit(3);  // stopped: nothing written yet
        run_exit_handler();
        std::_Exit(0);
      },
      ExitedWithCode(0), "");
  EXPECT_EQ(read_file("paused.txt"), "first\r\nsecond\r\n");
}

TEST(StartupDeathTest, ProcessorExceptionsAreReported) {
  EXPECT_EXIT(
      {
        start_runtime();
        ::raise(SIGILL);
      },
      ExitedWithCode(exit_byte(168)), "lumrtl: severe \\(168\\): Program Exception - illegal");
  EXPECT_EXIT(
      {
        start_runtime();
        void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile int*>(page) = 1;
      },
      ExitedWithCode(exit_byte(157)), "Program Exception - access violation");
}

TEST(StartupDeathTest, IgnoredExceptionsKeepTheSystemDefault) {
  EXPECT_EXIT(
      {
        ::setenv("FOR_IGNORE_EXCEPTIONS", "Y", 1);
        start_runtime();
        ::raise(SIGILL);
      },
      ::testing::KilledBySignal(SIGILL), "");
}

TEST(StartupDeathTest, FloatingPointStaysMasked) {
  EXPECT_EXIT(
      {
        start_runtime();
        volatile double zero = 0;
        double inf = 1 / zero;
        double nan = zero / zero;
        std::_Exit(std::isinf(inf) && std::isnan(nan) ? 0 : 1);
      },
      ExitedWithCode(0), "");
}

}  // namespace
}  // namespace recio
