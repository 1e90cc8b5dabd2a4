#include "recio/units.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recio/catalog.h"
#include "recio/file_names.h"
#include "support/temp_dir.h"

namespace recio {
namespace {

using tavo::testing::read_file;
using tavo::testing::TempDir;
using tavo::testing::write_file;

class UnitsTest : public ::testing::Test {
 protected:
  ~UnitsTest() override {
    for (int n : table().connected_numbers()) EXPECT_EQ(table().close(n), kOk);
  }
  static UnitTable& table() { return UnitTable::instance(); }

  Status open(int unit, std::string_view file, OpenStatus status,
              std::optional<Action> action = {}) {
    return table().open(unit, OpenOptions{.file = file, .status = status, .action = action});
  }
  // Every record of a connected unit, until end of file.
  std::vector<std::string> records(int unit) {
    std::vector<std::string> out;
    std::string_view r;
    while (table().find(unit)->next_record(r) == kOk) out.emplace_back(r);
    return out;
  }
  Status write(int unit, std::vector<std::string_view> recs) {
    Unit* u = table().find(unit);
    for (auto r : recs)
      if (Status s = u->put_record(r); s != kOk) return s;
    return u->flush();
  }

  TempDir dir_;
};

TEST_F(UnitsTest, StatusCreationTable) {
  write_file("there", "x\n");
  struct Case {
    OpenStatus status;
    const char* file;
    std::uint16_t expected;
    bool exists_after;
  } cases[] = {
      {OpenStatus::Old, "there", 0, true},
      {OpenStatus::Old, "missing-old", kFileNotFound, false},
      {OpenStatus::New, "there", kCannotOverwrite, true},
      {OpenStatus::New, "fresh-new", 0, true},
      {OpenStatus::Unknown, "there", 0, true},
      {OpenStatus::Unknown, "fresh-unknown", 0, true},
      {OpenStatus::Replace, "fresh-replace", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Status s = open(7, c.file, c.status);
    EXPECT_EQ(message_number(s), c.expected);
    EXPECT_EQ(std::filesystem::exists(c.file), c.exists_after);
    EXPECT_EQ(table().close(7), kOk);
  }
  EXPECT_EQ(read_file("there"), "x\n");  // opening an existing file leaves it as it was
}

TEST_F(UnitsTest, ReplaceEmptiesAnExistingFile) {
  write_file("old", "a\nb\n");
  ASSERT_EQ(open(7, "old", OpenStatus::Replace), kOk);
  EXPECT_EQ(table().close(7), kOk);
  EXPECT_EQ(read_file("old"), "");
}

TEST_F(UnitsTest, ReadActionConflictsWithCreatingStatuses) {
  for (OpenStatus s : {OpenStatus::New, OpenStatus::Scratch, OpenStatus::Replace}) {
    OpenOptions o{.status = s, .action = Action::Read};
    if (s != OpenStatus::Scratch) o.file = "f";
    EXPECT_EQ(message_number(table().open(7, o)), kInconsistentOpen);
  }
  // UNKNOWN with ACTION=READ opens only an existing file.
  EXPECT_EQ(message_number(open(7, "absent", OpenStatus::Unknown, Action::Read)), kFileNotFound);
  EXPECT_FALSE(std::filesystem::exists("absent"));
}

// Runs `body` as an unprivileged user (file permissions bind root only in name), in a child
// process when the tests run as root; the body's result is the child's exit status.
template <class Body>
void as_unprivileged_user(Body body) {
  if (::geteuid() != 0) {
    EXPECT_TRUE(body());
    return;
  }
  ::chmod(".", 0777);
  EXPECT_EXIT(
      {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(body() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(UnitsTest, ReadOnlyFileFallsBackAndRefusesWrites) {
  write_file("ro", "1\n");
  ::chmod("ro", 0444);
  as_unprivileged_user([&] {
    if (open(7, "ro", OpenStatus::Unknown) != kOk) return false;
    Unit* u = table().find(7);
    return u->read_only() && records(7) == std::vector<std::string>{"1"} &&
           message_number(u->put_record("2")) == kWriteReadOnly;
  });
}

TEST_F(UnitsTest, UnwritableFolderIsPermissionDenied) {
  std::filesystem::create_directory("locked");
  ::chmod("locked", 0555);
  as_unprivileged_user([&] {
    std::unique_ptr<Unit> failed;
    Status s =
        table().open(7, OpenOptions{.file = "locked/new", .status = OpenStatus::Unknown}, &failed);
    return message_number(s) == kPermissionDenied && failed && failed->os_error() == EACCES;
  });
}

TEST_F(UnitsTest, ReadActionMarksTheUnitReadOnly) {
  write_file("in", "1\n");
  ASSERT_EQ(open(7, "in", OpenStatus::Old, Action::Read), kOk);
  EXPECT_EQ(message_number(table().find(7)->put_record("x")), kWriteReadOnly);
}

TEST_F(UnitsTest, OsErrorsMapToMessages) {
  std::filesystem::create_directory("folder");
  EXPECT_EQ(message_number(open(7, "folder", OpenStatus::Unknown)), kOpenFailure);
  EXPECT_EQ(message_number(open(7, "no/such/dir/file", OpenStatus::Unknown)), kFileNotFound);
  EXPECT_EQ(message_number(open(7, std::string(300, 'a'), OpenStatus::Unknown)), kFileNameError);

  std::unique_ptr<Unit> failed;
  Status s = table().open(7, OpenOptions{.file = "missing", .status = OpenStatus::Old}, &failed);
  EXPECT_EQ(message_number(s), kFileNotFound);
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(failed->os_error(), ENOENT);
  EXPECT_EQ(failed->full_path(), (dir_.path() / "missing").string());
  EXPECT_EQ(table().find(7), nullptr);
}

TEST_F(UnitsTest, NamesAreStrippedAndCut) {
  EXPECT_EQ(clean_file_name("  report.txt   "), "report.txt");
  EXPECT_EQ(clean_file_name("    "), "");
  EXPECT_EQ(clean_file_name(std::string(300, 'n')).size(), 256u);

  std::string padded = "rel.txt" + std::string(53, ' ');  // a 60-character name variable
  ASSERT_EQ(open(10, padded, OpenStatus::Unknown), kOk);
  EXPECT_EQ(table().find(10)->name(), "rel.txt");
  EXPECT_TRUE(std::filesystem::exists("rel.txt"));
}

TEST_F(UnitsTest, DeviceNames) {
  struct Case {
    const char* name;
    DeviceName device;
  } cases[] = {
      {"CON", DeviceName::Con},       {"con", DeviceName::Con},
      {"Con.txt", DeviceName::Con},   {"USER", DeviceName::User},
      {"uSeR", DeviceName::User},     {"USER.TXT", DeviceName::None},
      {"user.", DeviceName::User},    {"ERR", DeviceName::Err},
      {"err.log", DeviceName::None},  {"CONOUT$", DeviceName::ConOut},
      {"conin$", DeviceName::ConIn},  {"CONIN$.x", DeviceName::None},
      {"NUL.dat", DeviceName::Nul},   {"LPT1", DeviceName::Printer},
      {"lpt2.txt", DeviceName::None}, {"PRN.txt", DeviceName::Printer},
      {"COM1", DeviceName::Serial},   {"aux.c", DeviceName::Serial},
      {"LINE.1", DeviceName::None},   {"dados.r33", DeviceName::None},
      {"CONSOLE", DeviceName::None},
  };
  for (const Case& c : cases) EXPECT_EQ(device_name(c.name), c.device) << c.name;
}

TEST_F(UnitsTest, DeviceUnitsCreateNoFile) {
  ASSERT_EQ(open(7, "NUL", OpenStatus::Unknown), kOk);
  EXPECT_EQ(table().find(7)->device(), Device::Null);
  EXPECT_EQ(write(7, {"dropped"}), kOk);
  ASSERT_EQ(open(8, "user", OpenStatus::Unknown), kOk);
  EXPECT_EQ(table().find(8)->device(), Device::Console);
  EXPECT_EQ(message_number(open(9, "LPT1", OpenStatus::Unknown)), kInvalidArgument);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(UnitsTest, ImplicitOpenNames) {
  ::unsetenv("FORT8");
  Unit* u = nullptr;
  ASSERT_EQ(table().select(8, u), kOk);
  EXPECT_EQ(u->name(), "fort.8");
  EXPECT_TRUE(std::filesystem::exists("fort.8"));

  ::setenv("FORT9", "  nine.dat ", 1);
  ASSERT_EQ(table().select(9, u), kOk);
  EXPECT_EQ(u->name(), "nine.dat");
  ::unsetenv("FORT9");

  ::setenv("FOR_PRINT", "printed.txt", 1);
  EXPECT_EQ(default_file_name(kPrintUnit), "printed.txt");
  ::unsetenv("FOR_PRINT");
  EXPECT_EQ(default_file_name(kPrintUnit), "CONOUT$");
  EXPECT_EQ(default_file_name(5), "CONIN$");
  EXPECT_EQ(default_file_name(0), "ERR");
}

TEST_F(UnitsTest, UnitNumbers) {
  Unit* u = nullptr;
  EXPECT_EQ(message_number(table().select(-6, u)), kInvalidUnit);
  EXPECT_EQ(message_number(open(-6, "x", OpenStatus::Unknown)), kInvalidUnit);
  ASSERT_EQ(open(12345, "big", OpenStatus::Unknown), kOk);
  ASSERT_EQ(open(100, "hundred", OpenStatus::Unknown), kOk);
  std::vector<int> numbers = table().connected_numbers();
  EXPECT_EQ(numbers, (std::vector<int>{100, 12345}));
  EXPECT_EQ(table().close(12345), kOk);
  EXPECT_EQ(table().find(12345), nullptr);
  EXPECT_EQ(table().close(77), kOk);  // not connected: nothing happens
}

TEST_F(UnitsTest, TextRecords) {
  write_file("in", std::string("a b\r\nplain\n\r\n\ttab\r\nlast-without-lf"));
  ASSERT_EQ(open(7, "in", OpenStatus::Old), kOk);
  EXPECT_EQ(records(7), (std::vector<std::string>{"a b", "plain", "", "\ttab", "last-without-lf"}));
  std::string_view r;
  EXPECT_EQ(message_number(table().find(7)->next_record(r)), kEndOfFile);
}

TEST_F(UnitsTest, CtrlZRecordEndsTheFile) {
  write_file("in", "1\n\x1a\n2\n");
  ASSERT_EQ(open(7, "in", OpenStatus::Old), kOk);
  EXPECT_EQ(records(7), std::vector<std::string>{"1"});
}

TEST_F(UnitsTest, LongRecordsAcrossReadChunks) {
  std::string big(200'000, 'x');
  write_file("in", "short\n" + big + "\nend\n");
  ASSERT_EQ(open(7, "in", OpenStatus::Old), kOk);
  auto recs = records(7);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[1], big);
  EXPECT_EQ(recs[2], "end");
}

TEST_F(UnitsTest, RecordsEndWithCrLf) {
  ASSERT_EQ(open(10, "out", OpenStatus::Unknown), kOk);
  ASSERT_EQ(write(10, {"one", "", "three"}), kOk);
  EXPECT_EQ(read_file("out"), "one\r\n\r\nthree\r\n");
}

// Under first-byte spacing the first byte of a record is not written: '0' puts a blank line
// before it, '1' a new page, anything else nothing.
TEST_F(UnitsTest, FirstByteSpacing) {
  ASSERT_EQ(table().open(10, OpenOptions{.file = "out",
                                         .carriage_control = CarriageControl::FirstByteSpacing}),
            kOk);
  ASSERT_EQ(write(10, {"0two", "1page", " one", "", "+x"}), kOk);
  EXPECT_EQ(read_file("out"), "\r\ntwo\r\n\fpage\r\none\r\n\r\nx\r\n");
}

TEST_F(UnitsTest, RewriteCutsTheOldTail) {
  std::string old;
  for (int i = 0; i < 100; ++i) old += "old line " + std::to_string(i) + "\r\n";
  write_file("report", old);
  ASSERT_EQ(open(10, "report", OpenStatus::Unknown), kOk);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(write(10, {"new"}), kOk);
  EXPECT_EQ(table().close(10), kOk);
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += "new\r\n";
  EXPECT_EQ(read_file("report"), expected);
}

TEST_F(UnitsTest, AppendPositionKeepsTheFile) {
  write_file("log", "a\r\n");
  ASSERT_EQ(table().open(10, OpenOptions{.file = "log", .position = Position::Append}), kOk);
  ASSERT_EQ(write(10, {"b"}), kOk);
  EXPECT_EQ(table().close(10), kOk);
  EXPECT_EQ(read_file("log"), "a\r\nb\r\n");
}

TEST_F(UnitsTest, RecordsOfAStatementReachTheFileAtFlush) {
  ASSERT_EQ(open(10, "out", OpenStatus::Unknown), kOk);
  Unit* u = table().find(10);
  ASSERT_EQ(u->put_record("pending"), kOk);
  EXPECT_EQ(read_file("out"), "");
  ASSERT_EQ(u->flush(), kOk);
  EXPECT_EQ(read_file("out"), "pending\r\n");
}

TEST_F(UnitsTest, FullDeviceIsAWriteError) {
  ASSERT_EQ(open(10, "/dev/full", OpenStatus::Unknown), kOk);
  Unit* u = table().find(10);
  ASSERT_EQ(u->put_record("x"), kOk);
  EXPECT_EQ(message_number(u->flush()), kWriteError);
  EXPECT_EQ(u->os_error(), ENOSPC);
}

TEST_F(UnitsTest, CloseDispositions) {
  ASSERT_EQ(open(7, "gone", OpenStatus::Unknown), kOk);
  ASSERT_EQ(table().close(7, CloseOptions{Disposition::Delete}), kOk);
  EXPECT_FALSE(std::filesystem::exists("gone"));

  ASSERT_EQ(table().open(7, OpenOptions{.status = OpenStatus::Scratch}), kOk);
  std::string scratch = table().find(7)->name();
  EXPECT_NE(scratch.find("/FOR"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(scratch));
  EXPECT_EQ(message_number(table().close(7, CloseOptions{Disposition::Keep})), kInconsistentOpen);
  EXPECT_EQ(table().close(7), kOk);
  EXPECT_FALSE(std::filesystem::exists(scratch));

  write_file("in", "1\n");
  ASSERT_EQ(open(7, "in", OpenStatus::Old, Action::Read), kOk);
  EXPECT_EQ(message_number(table().close(7, CloseOptions{Disposition::Delete})), kInconsistentOpen);
  EXPECT_TRUE(std::filesystem::exists("in"));
  EXPECT_EQ(table().find(7), nullptr);
}

// Keyword lists as the compiled program passes them.
struct KeywordList {
  std::vector<KeywordEntry> keys;
  std::vector<ArgWord> args;
  KeywordList& text(std::uint8_t code, std::string_view value) {
    keys.push_back({56, 4, code, 0});
    args.push_back(value.size());
    args.push_back(reinterpret_cast<ArgWord>(value.data()));
    return *this;
  }
  KeywordList& number(std::uint8_t code, std::int32_t value) {
    keys.push_back({9, 1, code, 0});
    args.push_back(static_cast<ArgWord>(static_cast<std::uint32_t>(value)));
    return *this;
  }
  KeywordList& end() {
    keys.push_back({1, 0, 0, 0});
    return *this;
  }
};

TEST_F(UnitsTest, KeywordListsTakeCodesOrNames) {
  KeywordList by_code;
  by_code.text(kKwFile, "a.txt").number(kKwBlank, 2).number(kKwStatus, 4).end();
  EXPECT_EQ(table().open(7, by_code.keys, by_code.args), kOk);
  EXPECT_EQ(table().find(7)->blank(), Blank::Null);

  KeywordList by_name;
  by_name.text(kKwFileAlt, "b.txt").text(kKwBlank, "zero  ").text(kKwStatus, "unknown").end();
  EXPECT_EQ(table().open(8, by_name.keys, by_name.args), kOk);
  EXPECT_EQ(table().find(8)->blank(), Blank::Zero);

  KeywordList close_list;
  close_list.text(kKwStatus, "delete").end();
  EXPECT_EQ(table().close(8, close_list.keys, close_list.args), kOk);
  EXPECT_FALSE(std::filesystem::exists("b.txt"));
}

TEST_F(UnitsTest, KeywordListErrors) {
  struct Case {
    KeywordList list;
    std::uint16_t expected;
  };
  std::vector<Case> cases;
  cases.push_back({KeywordList{}.text(kKwStatus, "OLDISH").end(), kKeywordValue});
  cases.push_back({KeywordList{}.text(kKwStatus, " OLD").end(), kKeywordValue});  // exact match
  cases.push_back({KeywordList{}.number(kKwStatus, 9).end(), kKeywordValue});
  cases.push_back({KeywordList{}.number(71, 1).end(), kInvalidArgument});
  cases.push_back({KeywordList{}.number(1, 1).end(), kInvalidArgument});
  cases.push_back({KeywordList{}.text(kKwAccess, "DIRECT").end(), kInvalidArgument});
  cases.push_back({KeywordList{}.text(kKwOrganization, "INDEXED").end(), kInvalidArgument});
  cases.push_back({KeywordList{}.number(kKwFile, 3).end(), kKeywordValue});
  for (Case& c : cases) {
    EXPECT_EQ(message_number(table().open(7, c.list.keys, c.list.args)), c.expected);
    EXPECT_EQ(table().find(7), nullptr);
  }
  // Numeric settings such as a record length are taken and left at their defaults.
  KeywordList numeric;
  numeric.text(kKwFile, "n.txt").number(30, 512).text(kKwConvert, "native").end();
  EXPECT_EQ(table().open(7, numeric.keys, numeric.args), kOk);
}

TEST(OpenFlags, FromStatusAndAction) {
  using enum OpenStatus;
  struct Case {
    OpenStatus status;
    std::optional<Action> action;
    int flags;
  } cases[] = {
      {Old, {}, O_RDWR},
      {Old, Action::Read, O_RDONLY},
      {Old, Action::Write, O_WRONLY},
      {Old, Action::ReadWrite, O_RDWR},
      {New, {}, O_RDWR | O_CREAT | O_EXCL},
      {New, Action::Write, O_WRONLY | O_CREAT | O_EXCL},
      {Unknown, {}, O_RDWR | O_CREAT},
      {Unknown, Action::Read, O_RDONLY},  // reads only a file that is there
      {Unknown, Action::Write, O_WRONLY | O_CREAT},
      {Replace, {}, O_RDWR | O_CREAT | O_TRUNC},
      {Replace, Action::Write, O_WRONLY | O_CREAT | O_TRUNC},
      {Scratch, {}, O_RDWR},  // the scratch file is made apart
  };
  for (const Case& c : cases) {
    EXPECT_EQ(open_flags(c.status, c.action), c.flags)
        << static_cast<int>(c.status) << " " << (c.action ? static_cast<int>(*c.action) : 0);
  }
}

TEST(Reentrancy, SetterReturnsThePreviousModeAndThreeQueries) {
  int start = set_reentrancy(3);
  EXPECT_EQ(set_reentrancy(0), start);
  EXPECT_EQ(set_reentrancy(3), 0);
  EXPECT_EQ(reentrancy(), 0);
  EXPECT_EQ(set_reentrancy(start), 0);
}

TEST(GlobalClaim, HeldFlagIsContention) {
  GlobalClaim claim;
  ASSERT_EQ(claim.acquire(), kOk);
  EXPECT_EQ(message_number(claim.acquire()), kContention);
  claim.release();
  EXPECT_EQ(claim.acquire(), kOk);
}

}  // namespace
}  // namespace recio
