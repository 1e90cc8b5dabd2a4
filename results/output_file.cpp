#include "results/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
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

std::error_code write_in_place(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return last_error();
  std::error_code ec = write_all(fd, bytes);
  if (::close(fd) != 0 && !ec) ec = last_error();
  return ec;
}

std::error_code replace_by_rename(const std::string& path, std::string_view bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = (folder == "." ? std::string() : folder) + "." + base + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return last_error();
  std::error_code ec = write_all(fd, bytes);
  if (!ec && ::fchmod(fd, 0666 & ~current_umask()) != 0) ec = last_error();
  if (!ec && ::fsync(fd) != 0) ec = last_error();
  if (::close(fd) != 0 && !ec) ec = last_error();
  if (!ec && ::rename(temp.c_str(), path.c_str()) != 0) ec = last_error();
  if (ec) ::unlink(temp.c_str());
  return ec;
}

}  // namespace

std::error_code write_output(const std::string& path, std::string_view bytes) {
  if (path == "-") return write_all(STDOUT_FILENO, bytes);
  if (path.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return last_error();
    target = resolved;
  }
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (!S_ISREG(st.st_mode)) return write_in_place(target, bytes);
    // A file the user may not write stays as it is, as with a plain open for writing.
    if (::access(target.c_str(), W_OK) != 0) return last_error();
  }
  return replace_by_rename(target, bytes);
}

}  // namespace results
