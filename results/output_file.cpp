#include "results/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace results {
namespace {

std::error_code last_error() {
  return {errno, std::generic_category()};
}

std::error_code write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? last_error() : std::make_error_code(std::errc::io_error);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

// The process's umask, read without changing it (umask() would, for every thread).
mode_t current_umask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

// The temporary files not yet committed, for a signal handler: fixed storage, claimed and
// released with atomics, read without locks.
constexpr int kSlots = 16;
struct TemporarySlot {
  std::atomic<bool> used{false};
  std::atomic<bool> named{false};
  char path[PATH_MAX + 16] = {};
};
TemporarySlot g_temporaries[kSlots];

int claim_slot(const std::string& path) {
  if (path.size() >= sizeof g_temporaries[0].path) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (g_temporaries[i].used.compare_exchange_strong(expected, true)) {
      std::memcpy(g_temporaries[i].path, path.c_str(), path.size() + 1);
      g_temporaries[i].named.store(true);
      return i;
    }
  }
  return -1;  // more files at once than slots: only a signal would leave the extra ones
}

void release_slot(int slot) {
  if (slot < 0) return;
  g_temporaries[slot].named.store(false);
  g_temporaries[slot].used.store(false);
}

}  // namespace

void remove_temporary_files() {
  for (TemporarySlot& slot : g_temporaries)
    if (slot.named.load()) ::unlink(slot.path);
}

OutputFile::~OutputFile() {
  abandon();
}

void OutputFile::abandon() {
  if (owns_fd_ && fd_ >= 0) ::close(fd_);
  fd_ = -1;
  owns_fd_ = false;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  release_slot(slot_);
  slot_ = -1;
}

std::error_code OutputFile::open(const std::string& path) {
  abandon();
  if (path == "-") {
    fd_ = STDOUT_FILENO;
    return {};
  }
  if (path.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
  target_ = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return last_error();
    target_ = resolved;
  }
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (!S_ISREG(st.st_mode)) {
      fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (fd_ < 0) return last_error();
      owns_fd_ = true;
      return {};
    }
    // A file the user may not write stays as it is, as with a plain open for writing.
    if (::access(target_.c_str(), W_OK) != 0) return last_error();
  }
  const std::size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string temp = folder + "." + base + ".XXXXXX";
  fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd_ < 0) return last_error();
  owns_fd_ = true;
  temporary_ = temp;
  slot_ = claim_slot(temporary_);
  return {};
}

void OutputFile::use_descriptor(int fd) {
  abandon();
  fd_ = fd;
}

std::error_code OutputFile::write(std::string_view bytes) {
  if (fd_ < 0) return std::make_error_code(std::errc::bad_file_descriptor);
  return write_all(fd_, bytes);
}

std::error_code OutputFile::commit() {
  if (fd_ < 0) return std::make_error_code(std::errc::bad_file_descriptor);
  std::error_code ec;
  if (!temporary_.empty()) {
    if (::fchmod(fd_, 0666 & ~current_umask()) != 0) ec = last_error();
    if (!ec && ::fsync(fd_) != 0) ec = last_error();
  }
  if (owns_fd_ && ::close(fd_) != 0 && !ec) ec = last_error();
  fd_ = -1;
  owns_fd_ = false;
  if (!temporary_.empty() && !ec && ::rename(temporary_.c_str(), target_.c_str()) != 0)
    ec = last_error();
  if (!ec) temporary_.clear();  // renamed: nothing left to remove
  abandon();
  return ec;
}

std::error_code write_output(const std::string& path, std::string_view bytes) {
  OutputFile file;
  std::error_code ec = file.open(path);
  if (!ec) ec = file.write(bytes);
  if (!ec) ec = file.commit();
  return ec;
}

void TextOut::flush() {
  if (!error_ && !buffer_.empty()) error_ = file_->write(buffer_);
  buffer_.clear();
}

}  // namespace results
