#include "recio/statements.h"

#include <pthread.h>
#include <signal.h>

#include <memory>
#include <mutex>
#include <vector>

#include "recio/list_reader.h"
#include "recio/report.h"

namespace recio {
namespace {

// One statement on one unit, from its start to its end-of-list item.
class Statement {
 public:
  enum class Kind : std::uint8_t { Write, Read };

  // Selects and claims the unit and begins the engine. A failure is settled here; the result
  // says whether the statement is open (kOk) and, if not, the settled status.
  template <class Begin>
  Status start(Kind kind, int number, unsigned flags, Begin begin) {
    kind_ = kind;
    flags_ = flags;
    std::unique_lock<std::recursive_mutex> section(io_section());
    std::unique_ptr<Unit> failed;
    if (Status s = UnitTable::instance().select(number, unit_, &failed); s != kOk) {
      unit_ = nullptr;
      section.unlock();
      return settle(s, failed.get(), flags);
    }
    if (unit_->busy_on_this_thread()) {
      Unit* busy = unit_;
      unit_ = nullptr;  // the unit stays with the statement that holds it
      section.unlock();
      return settle(status_of(kRecursiveIo), busy, flags);
    }
    section_ = std::move(section);
    claim();
    Status s = unit_->form() != Form::Formatted ? status_of(kUnformattedUnit) : kOk;
    if (s == kOk && kind == Kind::Write && unit_->read_only()) s = status_of(kWriteReadOnly);
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
  // message is shown), the unit is released and the status settled.
  Status end() {
    if (unit_ == nullptr) return status_;
    Status s = status_;
    if (s == kOk)
      s = kind_ == Kind::Write ? unit_->format_writer().finish() : unit_->list_reader().finish();
    Status flushed = unit_->flush();
    if (flushed != kOk && !is_severe(s)) s = flushed;
    Unit* unit = unit_;
    release();
    unit_ = nullptr;
    status_ = s;
    return settle(s, unit, flags_);
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
  for (const Item& item : items) st.transfer(item);
  return st.end();
}

auto begin_write(std::span<const std::uint32_t> format, std::span<const FormatArg> args = {}) {
  return [format, args](Unit& u) { return u.format_writer().begin(format, args); };
}
auto begin_read() {
  return [](Unit& u) { return u.list_reader().begin(); };
}

}  // namespace

Status settle(Status status, const Unit* unit, unsigned flags) {
  if (status == kOk || (flags & kHandlesErrors)) return status;
  report(status, unit);  // a severe status does not come back
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
  if (t_running.empty()) return settle(status_of(kInvalidArgument), nullptr, 0);
  Statement& st = *t_running.back();
  Status s = st.transfer(item);
  if (!st.open()) t_running.pop_back();
  return s;
}

// Opens and closes change the unit table inside the I/O section; the status is settled outside.
using Section = std::lock_guard<std::recursive_mutex>;

Status open_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                 std::span<const ArgWord> args) {
  std::unique_ptr<Unit> failed;
  Status s;
  {
    Section section(io_section());
    s = UnitTable::instance().open(unit, keys, args, &failed);
  }
  return settle(s, failed.get(), flags);
}

Status close_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                  std::span<const ArgWord> args) {
  std::unique_ptr<Unit> failed;
  Status s;
  const Unit* shown;
  {
    Section section(io_section());
    s = UnitTable::instance().close(unit, keys, args, &failed);
    shown = failed ? failed.get() : UnitTable::instance().find(unit);
  }
  return settle(s, shown, flags);
}

Status open(int unit, const OpenOptions& options, unsigned flags) {
  std::unique_ptr<Unit> failed;
  Status s;
  {
    Section section(io_section());
    s = UnitTable::instance().open(unit, options, &failed);
  }
  return settle(s, failed.get(), flags);
}

Status close(int unit, const CloseOptions& options, unsigned flags) {
  std::unique_ptr<Unit> failed;
  Status s;
  const Unit* shown;
  {
    Section section(io_section());
    s = UnitTable::instance().close(unit, options, &failed);
    shown = failed ? failed.get() : UnitTable::instance().find(unit);
  }
  return settle(s, shown, flags);
}

Status write_formatted(int unit, std::span<const std::uint32_t> format,
                       std::initializer_list<Item> items, unsigned flags) {
  return run_statement(Statement::Kind::Write, unit, flags, items, begin_write(format));
}

Status read_list(int unit, std::initializer_list<Item> items, unsigned flags) {
  return run_statement(Statement::Kind::Read, unit, flags, items, begin_read());
}

}  // namespace recio
