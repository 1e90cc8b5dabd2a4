// Writing an extra's file so that an older file is never left half-written, whole or as a
// stream.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace results {

// A file written piece by piece that replaces the file of its name only once complete. "-" is
// standard output. A regular file (or a name that does not exist yet) is written to a temporary
// file in the same folder, which commit() renames over it, so the old content stays whole until
// the new one is complete; the new file gets the usual permissions (0666 less the umask). A
// symbolic link is followed and the file it names is replaced. Anything else that exists (a
// device such as /dev/null, a pipe) is opened and written in place, since renaming onto it
// would replace the device. A file not committed leaves nothing: its temporary file is removed
// when it is destroyed, and also when the process is ended by a signal (see
// remove_temporary_files).
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // The system's error, or an empty code once the file is open for writing.
  std::error_code open(const std::string& path);
  // Writes to an open descriptor (standard error, say), in place; it stays open.
  void use_descriptor(int fd);
  std::error_code write(std::string_view bytes);
  // Completes the file: the temporary file is flushed to the disk and renamed.
  std::error_code commit();

 private:
  void abandon();

  int fd_ = -1;
  bool owns_fd_ = false;
  std::string target_;
  std::string temporary_;  // empty when written in place
  int slot_ = -1;          // in the table of temporary files a signal removes
};

// Removes the temporary files of every OutputFile not yet committed; async-signal-safe, for a
// handler of the signals that end the process.
void remove_temporary_files();

// Writes `bytes` as the whole content of `path` through an OutputFile. Returns the system's
// error, or an empty code on success; a failure leaves no temporary file.
std::error_code write_output(const std::string& path, std::string_view bytes);

// Text written in pieces to an OutputFile (or kept, without one), handed to the file whenever a
// piece has filled the buffer: writers append to text() and call piece_done() after each unit
// of output. The first error is kept and the rest is dropped.
class TextOut {
 public:
  // `piece`: the bytes gathered before they go to the file; 0 hands over every piece as it is
  // done (a summary that a person watches come).
  explicit TextOut(OutputFile* file = nullptr, std::size_t piece = kPiece)
      : file_(file), piece_(piece) {}
  std::string& text() { return buffer_; }
  void piece_done() {
    if (file_ != nullptr && buffer_.size() >= piece_) flush();
  }
  // Hands the rest to the file; the first error met on the way.
  std::error_code finish() {
    if (file_ != nullptr) flush();
    return error_;
  }

 private:
  static constexpr std::size_t kPiece = 1 << 20;
  void flush();

  OutputFile* file_;
  std::size_t piece_;
  std::string buffer_;
  std::error_code error_;
};

}  // namespace results
