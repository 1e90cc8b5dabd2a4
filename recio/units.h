// Units and files: the unit table, open and close, devices, and text records. What an open asks
// for: open_request.h; file names and devices: file_names.h.
//
// Errors come back as Status values; nothing here reports them. The statement layer
// (recio/statements.h) decides whether a status is returned to the caller or reported.
//
// What guards what. The I/O section is always taken first; a statement then takes the unit's
// lock and sets its busy mark; a connect or close takes the global claim, then the table lock.
//
//   I/O section   io_section(), recursive; taken whatever the reentrancy mode. The unit table
//                 and every unit's state against the threads that end the process (the
//                 control-signal watcher, the window front end at the frame's close): held by a
//                 statement from its start to its end, by an open or close while it changes the
//                 table, by the exit handler while it closes the units (process_end.h).
//   unit lock     Unit::lock(), threaded mode only: the unit for the whole of a statement,
//                 against a statement on another thread.
//   busy mark     Unit::mark_busy(): the unit is inside a statement, and on which thread. Not a
//                 lock: a statement that finds its unit busy on its own thread is error 40.
//   global claim  GlobalClaim, an atomic flag tried 49,999 times (then error 152): the
//                 run-time's global resources; held around the change of a table slot.
//   table lock    UnitTable's mutex, threaded mode only: the chain of units 100 and above, while
//                 a slot is filled or emptied and while find() looks in it. The direct slots
//                 -5..99 are read without it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "recio/file_names.h"
#include "recio/open_request.h"
#include "recio/record.h"
#include "recio/status.h"

namespace recio {

class FormatWriter;
class ListReader;

// Control flag bit 0 of every statement: the statement handles its own errors.
inline constexpr unsigned kHandlesErrors = 1;

// Unit numbers with a meaning of their own.
inline constexpr int kInternalUnit = -5;
inline constexpr int kReadUnit = -4;    // READ without a unit
inline constexpr int kAcceptUnit = -3;  // ACCEPT
inline constexpr int kTypeUnit = -2;    // TYPE
inline constexpr int kPrintUnit = -1;   // PRINT

// Where a unit's records go.
enum class Device : std::uint8_t {
  File,     // a disk file
  Console,  // CON, USER, units 5 and 6 and the special units: a text window of the console
            // when its front end shows them, else the standard streams
  StdIn,    // CONIN$
  StdOut,   // CONOUT$
  StdErr,   // ERR, unit 0
  Null,     // NUL
};

// A connected unit: its file, attributes, record buffers and per-statement scratch.
class Unit final : public RecordSource, public RecordSink {
 public:
  explicit Unit(int number);
  ~Unit() override;
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  int number() const { return number_; }
  // The name as connected (blanks stripped) and the full path used in messages.
  const std::string& name() const { return name_; }
  const std::string& full_path() const { return full_path_; }
  Device device() const { return device_; }
  // The console window the unit reads and writes, or -1.
  std::int32_t window() const { return window_; }
  Form form() const { return form_; }
  Blank blank() const { return blank_; }
  bool read_only() const { return read_only_; }
  // The operating-system error of the last refused open, close or write (0: none).
  int os_error() const { return os_error_; }

  // Next input record, without its line end; valid until the next call. Allocation-free once
  // the read buffer holds the longest record. End of file is error 24.
  Status next_record(std::string_view& record) override;
  // Ends an output record: queues it with the unit's terminator. Records reach the operating
  // system when the statement ends (flush), in one write call.
  Status put_record(std::string_view record) override;
  // Queues a statement's last record that a `$` left open, without a terminator; on a console
  // unit the line then owes its end to the next message.
  Status put_unterminated(std::string_view record) override;
  // Hands queued records to the operating system in one write call.
  Status flush();

  // True when records written to this unit go to a terminal-like stream (standard output or
  // error), which then needs a line end before a message starts on it.
  bool is_console_output() const {
    return device_ == Device::Console || device_ == Device::StdOut || device_ == Device::StdErr;
  }
  // A console unit whose last record was left open (`$`) owes a line end; this writes it, so
  // that a message starts on a fresh line.
  void end_console_line();

  // The statement engines of a formatted unit, made on first use and kept for its later
  // statements.
  FormatWriter& format_writer();
  ListReader& list_reader();

  // Busy mark of a running statement; detects recursive I/O on the same thread.
  bool busy_on_this_thread() const;
  void mark_busy();
  void clear_busy();
  std::mutex& lock() { return lock_; }

 private:
  friend class UnitTable;
  // Connects the unit as `p` asks: a scratch file, a device or a disk file.
  Status connect(const OpenParams& p);
  Status connect_scratch();
  Status connect_device(Device d);
  // A console unit in a text window: its own (USER, CON) or the thread's shared one.
  enum class WindowUse : std::uint8_t { Own, Shared };
  Status connect_window(std::int32_t window, WindowUse use);
  Status connect_file(const OpenParams& p, OpenStatus status);
  int open_read_only_instead();
  Status close_file(Disposition disposition);
  Status write_all(const char* data, std::size_t size);
  Status refill();

  int number_;
  std::string name_;
  std::string full_path_;
  Device device_ = Device::File;
  int in_fd_ = -1;   // -1: the unit cannot be read
  int out_fd_ = -1;  // -1: the unit cannot be written
  bool owns_fd_ = false;
  bool read_only_ = false;
  bool scratch_ = false;
  Access access_ = Access::Sequential;
  Form form_ = Form::Formatted;
  Blank blank_ = Blank::Null;
  CarriageControl carriage_ = CarriageControl::List;
  Action action_ = Action::ReadWrite;
  int os_error_ = 0;
  std::int32_t window_ = -1;  // a console window, or -1
  WindowUse window_use_ = WindowUse::Shared;
  std::string window_record_;  // the last record read from the window

  // Input: a window onto the file, [in_begin_, in_end_) not yet consumed.
  std::vector<char> in_;
  std::size_t in_begin_ = 0;
  std::size_t in_end_ = 0;
  bool in_eof_ = false;

  // Output: records ended by the running statement, terminators included.
  std::string pending_;
  bool truncate_after_write_ = false;
  bool owes_line_end_ = false;
  RecordBuffer out_;
  std::unique_ptr<FormatWriter> writer_;
  std::unique_ptr<ListReader> reader_;

  std::atomic<bool> busy_{false};
  std::thread::id busy_owner_;
  std::mutex lock_;
};

// The process's unit table. Units -5..-1 and 0..99 sit in direct slots, 100 and above in a
// chain ordered by number; below -5 is error 32.
class UnitTable {
 public:
  static UnitTable& instance();

  // The connected unit, or nullptr.
  Unit* find(int number);
  // The unit for a statement, connected with all defaults when it is not yet (implicit open).
  // When a connection fails, the unit block that was being connected (its number, file name and
  // OS error, for the message) is handed back through `failed` when given.
  Status select(int number, Unit*& unit, std::unique_ptr<Unit>* failed = nullptr);

  Status open(int number, std::span<const KeywordEntry> keys, std::span<const ArgWord> args,
              std::unique_ptr<Unit>* failed = nullptr);
  Status open(int number, const OpenOptions& options, std::unique_ptr<Unit>* failed = nullptr);
  // Writes the pending record, applies the disposition, closes the handle and frees the unit.
  // Closing a unit that is not connected does nothing. On error the unit block is still
  // freed; its name and OS error are returned through `failed` for the message when given.
  Status close(int number, std::span<const KeywordEntry> keys, std::span<const ArgWord> args,
               std::unique_ptr<Unit>* failed = nullptr);
  Status close(int number, const CloseOptions& options = {},
               std::unique_ptr<Unit>* failed = nullptr);

  // Closes every connected unit as by close; `on_error` sees each failed close.
  template <class OnError>
  void close_all(OnError on_error) {
    for (int n : connected_numbers()) {
      std::unique_ptr<Unit> failed;
      if (Status s = close(n, CloseOptions{}, &failed); s != kOk) on_error(s, failed.get());
    }
  }
  std::vector<int> connected_numbers();
  // Every connected unit, for the line-end pass before a run-time error message.
  template <class F>
  void for_each(F f) {
    for (int n : connected_numbers())
      if (Unit* u = find(n)) f(*u);
  }

 private:
  UnitTable() = default;
  std::unique_ptr<Unit>* slot(int number);
  Status connect(int number, OpenParams& p, std::unique_ptr<Unit>* failed);

  std::unique_ptr<Unit> low_[105];  // -5..99
  std::map<int, std::unique_ptr<Unit>> high_;
  std::mutex table_lock_;
};

// The I/O section. A statement holds it from its start to its end, an open or close while it
// changes the unit table, and the exit handler while it closes the units; so the console-control
// watcher, which runs on a thread of its own, never closes a unit under a running statement.
// The watcher and the exit handler wait for it at most a second (a statement blocked in a read is
// not waited for). Held whatever the reentrancy mode, uncontended but at the exit; recursive, as
// a statement may start another one on its thread.
std::recursive_mutex& io_section();

// Reentrancy mode: 0 none, 1 asynchronous (interrupt and abort signals held off inside the
// run-time), 2 and above threaded (unit and table locks). Starts at 2. Returns the previous
// mode; the value 3 only queries.
int set_reentrancy(int mode);
int reentrancy();

// A claim on one of the run-time's global resources through an atomic busy flag: up to 49,999
// tries, yielding before every hundredth; still held after the last is error 152.
class GlobalClaim {
 public:
  Status acquire();
  void release() { flag_.clear(std::memory_order_release); }

 private:
  std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};

}  // namespace recio
