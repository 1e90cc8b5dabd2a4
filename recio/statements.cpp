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

// One running statement of this thread. Statements nest only through I/O items that call
// routines which do I/O on other units, so the stack is almost always one deep.
struct Running {
  enum class Kind : std::uint8_t { Write, Read };
  Kind kind;
  Unit* unit;
  unsigned flags;
  Status status = kOk;
  std::unique_lock<std::mutex> lock{};
  sigset_t saved_mask{};
  bool signals_held = false;
};

thread_local std::vector<Running> t_running;

// Claims the unit for a statement: the busy mark always, the unit's lock in threaded mode, and
// the interrupt and abort signals held off from asynchronous mode up.
Status enter(Running& r) {
  if (r.unit->busy_on_this_thread()) return status_of(kRecursiveIo);
  int mode = reentrancy();
  if (mode >= 2) r.lock = std::unique_lock<std::mutex>(r.unit->lock());
  if (mode >= 1) {
    sigset_t hold;
    sigemptyset(&hold);
    sigaddset(&hold, SIGINT);
    sigaddset(&hold, SIGABRT);
    r.signals_held = ::pthread_sigmask(SIG_BLOCK, &hold, &r.saved_mask) == 0;
  }
  r.unit->mark_busy();
  return kOk;
}

void leave(Running& r) {
  r.unit->clear_busy();
  if (r.signals_held) ::pthread_sigmask(SIG_SETMASK, &r.saved_mask, nullptr);
  if (r.lock.owns_lock()) r.lock.unlock();
}

// Ends the top statement: its records reach the operating system (also after an error, before
// the message), the unit is released, and the status is settled.
Status end_statement(Status status) {
  Running& r = t_running.back();
  Status flushed = r.unit->flush();
  if (status == kOk || (!is_severe(status) && is_severe(flushed))) status = flushed;
  if (flushed != kOk && status == kOk) status = flushed;
  Unit* unit = r.unit;
  unsigned flags = r.flags;
  leave(r);
  t_running.pop_back();
  return settle(status, unit, flags);
}

Status item_to_engine(Running& r, const Item& item) {
  if (r.kind == Running::Kind::Write) return r.unit->format_writer().transfer(item);
  return r.unit->list_reader().transfer(item);
}

Status finish_engine(Running& r) {
  if (r.kind == Running::Kind::Write) return r.unit->format_writer().finish();
  return r.unit->list_reader().finish();
}

// Selects the unit of a new statement and begins it; `begin` starts the engine.
template <class Begin>
Status start(Running::Kind kind, int number, unsigned flags, const Item& first, Begin begin) {
  Unit* unit = nullptr;
  std::unique_ptr<Unit> failed;
  if (Status s = UnitTable::instance().select(number, unit, &failed); s != kOk)
    return settle(s, failed.get(), flags);
  t_running.push_back(Running{kind, unit, flags});
  Running& r = t_running.back();
  Status s = enter(r);
  if (s != kOk) {
    t_running.pop_back();  // the unit stays with the statement that holds it
    return settle(s, unit, flags);
  }
  if (unit->form() != Form::Formatted) s = status_of(kUnformattedUnit);
  if (s == kOk && kind == Running::Kind::Write && unit->read_only()) s = status_of(kWriteReadOnly);
  if (s == kOk) s = begin(*unit);
  if (s != kOk) {
    r.status = s;
    // With error handling the statement stays open, storing nothing, until its end-of-list item.
    if (first.is_end() || !(flags & kHandlesErrors)) return end_statement(s);
    return s;
  }
  return transfer_item(first);
}

}  // namespace

Status settle(Status status, const Unit* unit, unsigned flags) {
  if (status == kOk || (flags & kHandlesErrors)) return status;
  report(status, unit);  // a severe status does not come back
  return status;
}

Status start_formatted_write(int unit, unsigned flags, std::span<const std::uint32_t> format,
                             const Item& first, std::span<const FormatArg> args) {
  return start(Running::Kind::Write, unit, flags, first,
               [&](Unit& u) { return u.format_writer().begin(format, args); });
}

Status start_list_read(int unit, unsigned flags, const Item& first) {
  return start(Running::Kind::Read, unit, flags, first,
               [](Unit& u) { return u.list_reader().begin(); });
}

Status transfer_item(const Item& item) {
  if (t_running.empty()) return settle(status_of(kInvalidArgument), nullptr, 0);
  Running& r = t_running.back();
  if (item.is_end()) {
    Status s = r.status != kOk ? r.status : finish_engine(r);
    return end_statement(s);
  }
  if (r.status != kOk) return r.status;
  Status s = item_to_engine(r, item);
  if (s == kOk) return kOk;
  r.status = s;
  // Without error handling a severe failure ends the statement and the run here; with it, the
  // statement stays open (storing nothing) until its end-of-list item.
  if (is_severe(s) && !(r.flags & kHandlesErrors)) return end_statement(s);
  return s;
}

Status open_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                 std::span<const ArgWord> args) {
  std::unique_ptr<Unit> failed;
  Status s = UnitTable::instance().open(unit, keys, args, &failed);
  return settle(s, failed.get(), flags);
}

Status close_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                  std::span<const ArgWord> args) {
  std::unique_ptr<Unit> failed;
  Status s = UnitTable::instance().close(unit, keys, args, &failed);
  return settle(s, failed ? failed.get() : UnitTable::instance().find(unit), flags);
}

Status open(int unit, const OpenOptions& options, unsigned flags) {
  std::unique_ptr<Unit> failed;
  Status s = UnitTable::instance().open(unit, options, &failed);
  return settle(s, failed.get(), flags);
}

Status close(int unit, const CloseOptions& options, unsigned flags) {
  std::unique_ptr<Unit> failed;
  Status s = UnitTable::instance().close(unit, options, &failed);
  return settle(s, failed ? failed.get() : UnitTable::instance().find(unit), flags);
}

Status write_formatted(int unit, std::span<const std::uint32_t> format,
                       std::initializer_list<Item> items, unsigned flags) {
  const Item* it = items.begin();
  Status s = start_formatted_write(unit, flags, format, it != items.end() ? *it++ : Item::end());
  if (items.size() == 0) return s;
  for (; it != items.end(); ++it) transfer_item(*it);
  return transfer_item(Item::end());
}

Status read_list(int unit, std::initializer_list<Item> items, unsigned flags) {
  const Item* it = items.begin();
  Status s = start_list_read(unit, flags, it != items.end() ? *it++ : Item::end());
  if (items.size() == 0) return s;
  for (; it != items.end(); ++it) transfer_item(*it);
  return transfer_item(Item::end());
}

}  // namespace recio
