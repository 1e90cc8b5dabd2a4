#include "recio/statements.h"

#include <pthread.h>
#include <signal.h>

#include <memory>
#include <mutex>
#include <vector>

#include "recio/list_reader.h"
#include "recio/made_statements.h"
#include "recio/run_time_error.h"

namespace recio {
namespace {

// One statement on one unit, from its start to its end-of-list item.
class Statement {
 public:
  // Made: a write whose records were made ahead (made_statements.h), with no interpreter.
  enum class Kind : std::uint8_t { Write, Read, Made };

  // Selects and claims the unit and begins the engine. A failure is reported here unless the
  // statement handles its errors; the result is kOk when the statement is open, else the failure.
  template <class Begin>
  Status start(Kind kind, int number, unsigned flags, Begin begin) {
    kind_ = kind;
    flags_ = flags;
    std::unique_lock<std::recursive_mutex> section(io_section());
    std::unique_ptr<Unit> failed;
    if (Status s = UnitTable::instance().select(number, unit_, &failed); s != kOk) {
      unit_ = nullptr;
      section.unlock();
      return raise_unless_handled(s, failed.get(), flags);
    }
    if (unit_->busy_on_this_thread()) {
      Unit* busy = unit_;
      unit_ = nullptr;  // the unit stays with the statement that holds it
      section.unlock();
      return raise_unless_handled(status_of(kRecursiveIo), busy, flags);
    }
    section_ = std::move(section);
    claim();
    Status s = unit_->form() != Form::Formatted ? status_of(kUnformattedUnit) : kOk;
    if (s == kOk && kind != Kind::Read && unit_->read_only()) s = status_of(kWriteReadOnly);
    if (s == kOk) s = begin(*unit_);
    return fail(s);
  }

  // Transfers one item; the end-of-list item ends the statement.
  Status transfer(const Item& item) {
    if (item.is_end()) return end();
    if (status_ != kOk) return status_;
    Status s = kind_ == Kind::Write ? unit_->format_writer().transfer(item)
                                    : unit_->list_reader().transfer(item);
    return fail(s);
  }

  // Ends the statement: its records reach the operating system (also after an error, before the
  // message is shown), the unit is released and a failure reported unless handled.
  Status end() {
    if (unit_ == nullptr) return status_;
    Status s = status_;
    if (s == kOk && kind_ == Kind::Write) s = unit_->format_writer().finish();
    if (s == kOk && kind_ == Kind::Read) s = unit_->list_reader().finish();
    Status flushed = unit_->flush();
    if (flushed != kOk && !is_severe(s)) s = flushed;
    Unit* unit = unit_;
    release();
    unit_ = nullptr;
    status_ = s;
    return raise_unless_handled(s, unit, flags_);
  }

  // The records of statement i of `made`, as the interpreter hands them to the unit.
  void put_made(const MadeStatements& made, std::size_t i) {
    const std::size_t n = made.record_count(i);
    for (std::size_t r = 0; r < n && status_ == kOk; ++r) {
      const bool open = r + 1 == n && made.last_open(i);
      static_cast<void>(fail(open ? unit_->put_unterminated(made.record(i, r))
                                  : unit_->put_record(made.record(i, r))));
    }
  }

  bool open() const { return unit_ != nullptr; }

 private:
  // A severe failure without error handling ends the statement, and with it the run, at once;
  // with error handling the statement stays open, storing nothing, until its end-of-list item.
  Status fail(Status s) {
    if (s == kOk) return kOk;
    status_ = s;
    if (is_severe(s) && !(flags_ & kHandlesErrors)) return end();
    return s;
  }

  // The busy mark always; the unit's lock in threaded mode; interrupt and abort signals held
  // off from asynchronous mode up.
  void claim() {
    int mode = reentrancy();
    if (mode >= 2) {
      unit_->lock().lock();
      locked_ = true;
    }
    if (mode >= 1) {
      sigset_t hold;
      sigemptyset(&hold);
      sigaddset(&hold, SIGINT);
      sigaddset(&hold, SIGABRT);
      signals_held_ = ::pthread_sigmask(SIG_BLOCK, &hold, &saved_mask_) == 0;
    }
    unit_->mark_busy();
  }

  void release() {
    unit_->clear_busy();
    if (signals_held_) ::pthread_sigmask(SIG_SETMASK, &saved_mask_, nullptr);
    if (locked_) unit_->lock().unlock();
    signals_held_ = locked_ = false;
    if (section_.owns_lock()) section_.unlock();
  }

  Kind kind_ = Kind::Read;
  unsigned flags_ = 0;
  Unit* unit_ = nullptr;
  Status status_ = kOk;
  bool locked_ = false;
  bool signals_held_ = false;
  sigset_t saved_mask_;
  std::unique_lock<std::recursive_mutex> section_;  // from start to end
};

// The statements of this thread driven through the call sequence. They nest only through I/O
// items that call routines doing I/O on other units, so this is almost always one deep.
thread_local std::vector<std::unique_ptr<Statement>> t_running;

template <class Begin>
Status start_call_sequence(Statement::Kind kind, int unit, unsigned flags, const Item& first,
                           Begin begin) {
  auto st = std::make_unique<Statement>();
  if (Status s = st->start(kind, unit, flags, begin); !st->open()) return s;
  t_running.push_back(std::move(st));
  return transfer_item(first);
}

// A whole statement in one call.
template <class Begin>
Status run_statement(Statement::Kind kind, int unit, unsigned flags,
                     std::initializer_list<Item> items, Begin begin) {
  Statement st;
  if (Status s = st.start(kind, unit, flags, begin); !st.open()) return s;
  // After a failure later items store nothing and the end returns the first failure.
  for (const Item& item : items) static_cast<void>(st.transfer(item));
  return st.end();
}

auto begin_write(std::span<const std::uint32_t> format, std::span<const FormatArg> args = {}) {
  return [format, args](Unit& u) { return u.format_writer().begin(format, args); };
}
auto begin_read() {
  return [](Unit& u) { return u.list_reader().begin(); };
}

}  // namespace

Status raise_unless_handled(Status status, const Unit* unit, unsigned flags) {
  if (status == kOk || (flags & kHandlesErrors)) return status;
  raise_error(status, unit);  // a severe status does not come back
  return status;
}

Status start_formatted_write(int unit, unsigned flags, std::span<const std::uint32_t> format,
                             const Item& first, std::span<const FormatArg> args) {
  return start_call_sequence(Statement::Kind::Write, unit, flags, first, begin_write(format, args));
}

Status start_list_read(int unit, unsigned flags, const Item& first) {
  return start_call_sequence(Statement::Kind::Read, unit, flags, first, begin_read());
}

Status transfer_item(const Item& item) {
  if (t_running.empty()) return raise_unless_handled(status_of(kInvalidArgument), nullptr, 0);
  Statement& st = *t_running.back();
  Status s = st.transfer(item);
  if (!st.open()) t_running.pop_back();
  return s;
}

namespace {

// Which unit the message of a failed open or close names: the unit block whose connection or
// close failed, else (for a close) the unit that is still connected.
enum class Named : std::uint8_t { FailedBlock, FailedBlockOrConnected };

// Opens and closes change the unit table inside the I/O section; a failure is reported outside
// it. `change` gets where to hand back a failed unit block.
template <class Change>
Status change_units(int unit, unsigned flags, Named named, Change change) {
  std::unique_ptr<Unit> failed;
  Status s;
  const Unit* shown = nullptr;
  {
    std::lock_guard<std::recursive_mutex> section(io_section());
    s = change(&failed);
    if (failed) {
      shown = failed.get();
    } else if (named == Named::FailedBlockOrConnected) {
      shown = UnitTable::instance().find(unit);
    }
  }
  return raise_unless_handled(s, shown, flags);
}

}  // namespace

Status open_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                 std::span<const ArgWord> args) {
  return change_units(unit, flags, Named::FailedBlock, [&](std::unique_ptr<Unit>* failed) {
    return UnitTable::instance().open(unit, keys, args, failed);
  });
}

Status close_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                  std::span<const ArgWord> args) {
  return change_units(unit, flags, Named::FailedBlockOrConnected,
                      [&](std::unique_ptr<Unit>* failed) {
                        return UnitTable::instance().close(unit, keys, args, failed);
                      });
}

Status open(int unit, const OpenOptions& options, unsigned flags) {
  return change_units(unit, flags, Named::FailedBlock, [&](std::unique_ptr<Unit>* failed) {
    return UnitTable::instance().open(unit, options, failed);
  });
}

Status close(int unit, const CloseOptions& options, unsigned flags) {
  return change_units(unit, flags, Named::FailedBlockOrConnected,
                      [&](std::unique_ptr<Unit>* failed) {
                        return UnitTable::instance().close(unit, options, failed);
                      });
}

Status write_formatted(int unit, std::span<const std::uint32_t> format,
                       std::initializer_list<Item> items, unsigned flags) {
  return run_statement(Statement::Kind::Write, unit, flags, items, begin_write(format));
}

Status write_made(int unit, const MadeStatements& made, std::size_t i, unsigned flags) {
  Statement st;
  auto nothing_to_begin = [](Unit&) { return kOk; };
  if (Status s = st.start(Statement::Kind::Made, unit, flags, nothing_to_begin); !st.open())
    return s;
  st.put_made(made, i);
  return st.end();
}

Status read_list(int unit, std::initializer_list<Item> items, unsigned flags) {
  return run_statement(Statement::Kind::Read, unit, flags, items, begin_read());
}

// Without error handling every failure has been reported when these return (and a severe one
// has ended the process), so the status is dropped.
void open(int unit, const OpenOptions& options) {
  static_cast<void>(open(unit, options, 0));
}

void close(int unit, const CloseOptions& options) {
  static_cast<void>(close(unit, options, 0));
}

void write_formatted(int unit, std::span<const std::uint32_t> format,
                     std::initializer_list<Item> items) {
  static_cast<void>(write_formatted(unit, format, items, 0));
}

void write_made(int unit, const MadeStatements& made, std::size_t i) {
  static_cast<void>(write_made(unit, made, i, 0));
}

void read_list(int unit, std::initializer_list<Item> items) {
  static_cast<void>(read_list(unit, items, 0));
}

}  // namespace recio
