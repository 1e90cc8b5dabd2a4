#include "recio/units.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "console/core/console_unit.h"
#include "recio/file_names.h"
#include "recio/format_writer.h"
#include "recio/list_reader.h"

namespace recio {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

std::atomic<int> g_reentrancy{2};
GlobalClaim g_table_claim;

// Maps a refused open to its message number.
std::uint16_t open_error_number(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return kPermissionDenied;
    case EEXIST:
      return kCannotOverwrite;
    case ENXIO:
    case ENODEV:
      return kNoSuchDevice;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return kFileNameError;
    default:  // EMFILE, ENFILE, EISDIR and the rest
      return kOpenFailure;
  }
}

bool is_access_refusal(int err) {
  return err == EACCES || err == EPERM || err == EROFS;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Unit

Unit::Unit(int number) : number_(number) {}

FormatWriter& Unit::format_writer() {
  if (!writer_) writer_ = std::make_unique<FormatWriter>(out_, *this);
  return *writer_;
}

ListReader& Unit::list_reader() {
  if (!reader_) reader_ = std::make_unique<ListReader>(*this);
  return *reader_;
}

Unit::~Unit() {
  if (owns_fd_ && in_fd_ >= 0) ::close(in_fd_);
}

bool Unit::busy_on_this_thread() const {
  return busy_.load(std::memory_order_relaxed) && busy_owner_ == std::this_thread::get_id();
}
void Unit::mark_busy() {
  busy_owner_ = std::this_thread::get_id();
  busy_.store(true, std::memory_order_relaxed);
}
void Unit::clear_busy() {
  busy_.store(false, std::memory_order_relaxed);
}

Status Unit::connect_window(std::int32_t window, WindowUse use) {
  device_ = Device::Console;
  owns_fd_ = false;
  in_fd_ = out_fd_ = -1;
  if (window < 0) return status_of(kOpenFailure);
  window_ = window;
  window_use_ = use;
  return kOk;
}

// Where console-like devices go without text windows: the process's standard streams.
Status Unit::connect_device(Device d) {
  device_ = d;
  owns_fd_ = false;
  switch (d) {
    case Device::Console:
      in_fd_ = STDIN_FILENO;
      out_fd_ = STDOUT_FILENO;
      break;
    case Device::StdIn:
      in_fd_ = STDIN_FILENO;
      out_fd_ = -1;
      break;
    case Device::StdOut:
      in_fd_ = -1;
      out_fd_ = STDOUT_FILENO;
      break;
    case Device::StdErr:
      in_fd_ = -1;
      out_fd_ = STDERR_FILENO;
      break;
    case Device::Null:
    case Device::File:
      in_fd_ = out_fd_ = -1;
      break;
  }
  return kOk;
}

Status Unit::connect(const OpenParams& p) {
  access_ = p.access;
  form_ = p.form;
  blank_ = p.blank;
  carriage_ = p.carriage_control.value_or(CarriageControl::List);
  action_ = p.action.value_or(Action::ReadWrite);
  const OpenStatus status = p.status.value_or(OpenStatus::Unknown);
  if (status == OpenStatus::Scratch) return connect_scratch();

  std::string chosen;
  if (p.prompt && (!p.file || clean_file_name(*p.file).empty()) &&
      console::console_units_use_windows()) {
    if (!console::choose_unit_file(number_, chosen)) return status_of(kFileNameError);
  }
  name_ = clean_file_name(!chosen.empty() ? chosen : p.file ? *p.file : default_file_name(number_));
  full_path_ = name_;
  switch (device_name(name_)) {
    case DeviceName::Con:
    case DeviceName::User:
      if (console::console_units_use_windows())
        return connect_window(console::open_unit_window(number_, p.title), WindowUse::Own);
      return connect_device(Device::Console);
    case DeviceName::ConOut:
    case DeviceName::ConIn:
      // Units 5 and 6 and the special units, when nothing names their file, share the thread's
      // console window.
      if (!p.file && !file_named_by_environment(number_) && console::console_units_use_windows())
        return connect_window(console::unit_console_window(), WindowUse::Shared);
      return connect_device(device_name(name_) == DeviceName::ConOut ? Device::StdOut
                                                                     : Device::StdIn);
    case DeviceName::Err:
      return connect_device(Device::StdErr);
    case DeviceName::Nul:
      return connect_device(Device::Null);
    case DeviceName::Printer:
    case DeviceName::Serial:
      return status_of(kInvalidArgument);
    case DeviceName::None:
      break;
  }
  if (name_.empty()) return status_of(kFileNameError);
  if (name_.find('\0') != std::string::npos) {
    // No file can have it as its name; the message shows each zero byte as '?'.
    std::replace(full_path_.begin(), full_path_.end(), '\0', '?');
    return status_of(kFileNameError);
  }
  full_path_ = full_path_of(name_);
  return connect_file(p, status);
}

// An unnamed file in TMPDIR (or /tmp), deleted when the unit is closed.
Status Unit::connect_scratch() {
  const char* dir = std::getenv("TMPDIR");
  std::string tmpl = std::string(dir && *dir ? dir : "/tmp") + "/FORXXXXXX";
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  name_ = full_path_ = tmpl;
  if (fd < 0) {
    os_error_ = errno;
    return status_of(open_error_number(errno));
  }
  in_fd_ = out_fd_ = fd;
  owns_fd_ = true;
  scratch_ = true;
  device_ = Device::File;
  return kOk;
}

Status Unit::connect_file(const OpenParams& p, OpenStatus status) {
  int fd = ::open(name_.c_str(), open_flags(status, p.action) | O_CLOEXEC, 0666);
  if (fd < 0 && is_access_refusal(errno) && !p.action &&
      (status == OpenStatus::Old || status == OpenStatus::Unknown))
    fd = open_read_only_instead();
  if (fd < 0) {
    os_error_ = errno;
    return status_of(open_error_number(errno));
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    os_error_ = EISDIR;
    return status_of(kOpenFailure);
  }
  if (p.action == Action::Read) read_only_ = true;
  device_ = Device::File;
  owns_fd_ = true;
  in_fd_ = p.action == Action::Write ? -1 : fd;
  out_fd_ = read_only_ ? -1 : fd;
  bool at_end = p.access == Access::Append || p.position == Position::Append;
  if (at_end) {
    ::lseek(fd, 0, SEEK_END);
  } else {
    truncate_after_write_ = S_ISREG(st.st_mode);
  }
  return kOk;
}

// The read-only fallback: an existing file that refuses writing, opened without ACTION, is
// connected for reading only, and writes to it are error 47. When it cannot be read either,
// errno is left as the first refusal, which the message reports.
int Unit::open_read_only_instead() {
  const int refusal = errno;
  const int fd = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    read_only_ = true;
  } else {
    errno = refusal;
  }
  return fd;
}

Status Unit::write_all(const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(out_fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      os_error_ = errno;
      return status_of(kWriteError);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return kOk;
}

Status Unit::flush() {
  if (pending_.empty()) return kOk;
  if (device_ == Device::Null) return pending_.clear(), kOk;
  // Writing after reading continues where the reader stands, not where read-ahead left the file.
  if (in_end_ > in_begin_ && device_ == Device::File) {
    ::lseek(out_fd_, -static_cast<off_t>(in_end_ - in_begin_), SEEK_CUR);
    truncate_after_write_ = true;
  }
  in_begin_ = in_end_ = 0;
  in_eof_ = false;
  Status s = write_all(pending_.data(), pending_.size());
  pending_.clear();
  if (s != kOk) return s;
  if (truncate_after_write_) {
    truncate_after_write_ = false;
    off_t end = ::lseek(out_fd_, 0, SEEK_CUR);
    if (end >= 0 && ::ftruncate(out_fd_, end) != 0 && errno != EINVAL) {
      os_error_ = errno;
      return status_of(kWriteError);
    }
  }
  return kOk;
}

void Unit::end_console_line() {
  if (owes_line_end_ && window_ >= 0) {
    owes_line_end_ = false;
    console::write_unit_text(window_, "\r\n");
    return;
  }
  if (!owes_line_end_ || !is_console_output() || out_fd_ < 0) return;
  owes_line_end_ = false;
  static constexpr char kLineFeed = '\n';
  [[maybe_unused]] ssize_t n = ::write(out_fd_, &kLineFeed, 1);
}

Status Unit::put_record(std::string_view record) {
  if (read_only_) return status_of(kWriteReadOnly);
  if (window_ >= 0)
    return console::write_unit_record(window_, record) ? kOk : status_of(kWriteError);
  if (out_fd_ < 0 && device_ != Device::Null) return status_of(kWriteError);
  if (carriage_ == CarriageControl::FirstByteSpacing) {
    // The first byte is a spacing control: '0' one blank line first, '1' a new page.
    char control = record.empty() ? ' ' : record.front();
    if (control == '0') pending_ += "\r\n";
    if (control == '1') pending_ += '\f';
    if (!record.empty()) record.remove_prefix(1);
  }
  pending_.append(record);
  pending_ += "\r\n";
  return kOk;
}

Status Unit::put_unterminated(std::string_view record) {
  if (read_only_) return status_of(kWriteReadOnly);
  if (window_ >= 0) {
    owes_line_end_ = true;
    return console::write_unit_text(window_, record) ? kOk : status_of(kWriteError);
  }
  if (out_fd_ < 0 && device_ != Device::Null) return status_of(kWriteError);
  pending_.append(record);
  owes_line_end_ = is_console_output();
  return kOk;
}

Status Unit::refill() {
  if (in_begin_ > 0) {
    std::memmove(in_.data(), in_.data() + in_begin_, in_end_ - in_begin_);
    in_end_ -= in_begin_;
    in_begin_ = 0;
  }
  if (in_.size() - in_end_ < kReadChunk / 2) {
    try {
      in_.resize(std::max(kReadChunk, in_.size() * 2));
    } catch (const std::bad_alloc&) {
      return status_of(kNoMemory);
    }
  }
  for (;;) {
    ssize_t n = ::read(in_fd_, in_.data() + in_end_, in_.size() - in_end_);
    if (n < 0) {
      if (errno == EINTR) continue;
      os_error_ = errno;
      return status_of(kReadError);
    }
    if (n == 0) in_eof_ = true;
    in_end_ += static_cast<std::size_t>(n);
    return kOk;
  }
}

Status Unit::next_record(std::string_view& record) {
  if (!pending_.empty())
    if (Status s = flush(); s != kOk) return s;
  if (device_ == Device::Null) return status_of(kEndOfFile);
  if (window_ >= 0) {
    owes_line_end_ = false;  // the typed line's end moves the cursor on
    if (!console::read_unit_record(window_, window_record_)) return status_of(kReadError);
    if (window_record_ == "\x1a") return status_of(kEndOfFile);
    record = window_record_;
    return kOk;
  }
  if (in_fd_ < 0) return status_of(kReadError);
  std::size_t scanned = in_begin_;
  for (;;) {
    const char* base = in_.data();
    const void* lf =
        in_end_ > scanned ? std::memchr(base + scanned, '\n', in_end_ - scanned) : nullptr;
    std::size_t end;
    std::size_t next;
    if (lf != nullptr) {
      end = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
      next = end + 1;
    } else if (in_eof_) {
      if (in_begin_ == in_end_) return status_of(kEndOfFile);
      end = next = in_end_;  // a last line without a line feed is a record too
    } else {
      std::size_t consumed = in_end_ - in_begin_;
      if (Status s = refill(); s != kOk) return s;
      scanned = in_begin_ + consumed;
      continue;
    }
    std::size_t begin = in_begin_;
    std::size_t stop = end;
    if (stop > begin && base[stop - 1] == '\r') --stop;
    if (stop - begin == 1 && base[begin] == '\x1a') return status_of(kEndOfFile);
    in_begin_ = next;
    record = std::string_view(base + begin, stop - begin);
    return kOk;
  }
}

Status Unit::close_file(Disposition disposition) {
  Status s = flush();
  if (window_ >= 0 && window_use_ == WindowUse::Own) console::unit_window_closed(window_);
  window_ = -1;
  if (owns_fd_) {
    int fd = in_fd_ >= 0 ? in_fd_ : out_fd_;
    if (fd >= 0 && ::close(fd) != 0 && s == kOk) {
      os_error_ = errno;
      s = status_of(kCloseError);
    }
    in_fd_ = out_fd_ = -1;
    owns_fd_ = false;
  }
  if (device_ == Device::File && disposition == Disposition::Delete) {
    if (::unlink(name_.c_str()) != 0 && s == kOk) {
      os_error_ = errno;
      s = status_of(kCloseError);
    }
  }
  return s;
}

// ---------------------------------------------------------------------------------------------
// UnitTable

UnitTable& UnitTable::instance() {
  static UnitTable* table = new UnitTable;  // lives until the process ends
  return *table;
}

std::unique_ptr<Unit>* UnitTable::slot(int number) {
  if (number < kInternalUnit) return nullptr;
  if (number < 100) return &low_[number - kInternalUnit];
  return &high_[number];
}

Unit* UnitTable::find(int number) {
  if (number < kInternalUnit) return nullptr;
  if (number < 100) return low_[number - kInternalUnit].get();
  std::unique_lock<std::mutex> guard(table_lock_, std::defer_lock);
  if (reentrancy() >= 2) guard.lock();
  auto it = high_.find(number);
  return it == high_.end() ? nullptr : it->second.get();
}

std::vector<int> UnitTable::connected_numbers() {
  std::vector<int> numbers;
  for (int i = 0; i < 105; ++i)
    if (low_[i]) numbers.push_back(i + kInternalUnit);
  for (auto& [n, u] : high_)
    if (u) numbers.push_back(n);
  return numbers;
}

Status UnitTable::connect(int number, OpenParams& p, std::unique_ptr<Unit>* failed) {
  if (number < kInternalUnit) return status_of(kInvalidUnit);
  if (number == kInternalUnit) return status_of(kInvalidArgument);
  if (p.unsupported) return status_of(kInvalidArgument);
  if (p.status == OpenStatus::Scratch && p.file) return status_of(kInconsistentOpen);  // unnamed
  bool creates = p.status == OpenStatus::New || p.status == OpenStatus::Scratch ||
                 p.status == OpenStatus::Replace;
  if (creates && p.action == Action::Read) return status_of(kInconsistentOpen);

  if (find(number) != nullptr)
    if (Status s = close(number); s != kOk) return s;

  auto unit = std::make_unique<Unit>(number);
  Status s = unit->connect(p);
  if (s != kOk) {
    if (failed != nullptr) *failed = std::move(unit);
    return s;
  }
  if (Status c = g_table_claim.acquire(); c != kOk) return c;
  {
    std::unique_lock<std::mutex> guard(table_lock_, std::defer_lock);
    if (reentrancy() >= 2) guard.lock();
    *slot(number) = std::move(unit);
  }
  g_table_claim.release();
  return kOk;
}

Status UnitTable::select(int number, Unit*& unit, std::unique_ptr<Unit>* failed) {
  unit = find(number);
  if (unit != nullptr) return kOk;
  OpenParams p;
  if (Status s = connect(number, p, failed); s != kOk) return s;
  unit = find(number);
  return kOk;
}

Status UnitTable::open(int number, std::span<const KeywordEntry> keys,
                       std::span<const ArgWord> args, std::unique_ptr<Unit>* failed) {
  OpenParams p;
  if (Status s = decode_open(keys, args, p); s != kOk) return s;
  return connect(number, p, failed);
}

Status UnitTable::open(int number, const OpenOptions& options, std::unique_ptr<Unit>* failed) {
  OpenParams p = open_params(options);
  return connect(number, p, failed);
}

Status UnitTable::close(int number, std::span<const KeywordEntry> keys,
                        std::span<const ArgWord> args, std::unique_ptr<Unit>* failed) {
  CloseOptions options;
  if (Status s = decode_close(keys, args, options); s != kOk) return s;
  return close(number, options, failed);
}

Status UnitTable::close(int number, const CloseOptions& options, std::unique_ptr<Unit>* failed) {
  if (number < kInternalUnit) return status_of(kInvalidUnit);
  Unit* u = find(number);
  if (u == nullptr) return kOk;
  Disposition d =
      options.disposition.value_or(u->scratch_ ? Disposition::Delete : Disposition::Keep);
  if (d != Disposition::Keep && d != Disposition::Delete) return status_of(kInvalidArgument);
  if (u->scratch_ && d == Disposition::Keep) return status_of(kInconsistentOpen);
  Status s = kOk;
  if (u->read_only_ && d == Disposition::Delete) {
    s = status_of(kInconsistentOpen);  // the file is kept
    d = Disposition::Keep;
  }
  if (Status c = u->close_file(d); s == kOk) s = c;
  if (Status c = g_table_claim.acquire(); c != kOk) return c;
  std::unique_ptr<Unit> gone;
  {
    std::unique_lock<std::mutex> guard(table_lock_, std::defer_lock);
    if (reentrancy() >= 2) guard.lock();
    gone = std::move(*slot(number));
    if (number >= 100) high_.erase(number);
  }
  g_table_claim.release();
  if (s != kOk && failed != nullptr) *failed = std::move(gone);
  return s;
}

// ---------------------------------------------------------------------------------------------

std::recursive_mutex& io_section() {
  static constinit std::recursive_mutex section;  // no construction to run, none to undo
  return section;
}

int set_reentrancy(int mode) {
  if (mode == 3) return g_reentrancy.load();
  return g_reentrancy.exchange(mode);
}

int reentrancy() {
  return g_reentrancy.load(std::memory_order_relaxed);
}

Status GlobalClaim::acquire() {
  for (int attempt = 0; attempt < 49'999; ++attempt) {
    if (attempt % 100 == 99) ::sched_yield();
    if (!flag_.test_and_set(std::memory_order_acquire)) return kOk;
  }
  return status_of(kContention);
}

}  // namespace recio
