// Pieces the fuzz targets share: taking typed values from the input bytes, exact-size heap copies
// (so that AddressSanitizer sees a read one byte past the end), and the failure check.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "recio/status.h"

namespace tavo::fuzz {

// A broken property is a finding: say which and abort, as a sanitizer would.
#define FUZZ_CHECK(cond)                                                               \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

// Takes values from the front of the input; past its end every value is 0.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : p_(data), left_(size) {}

  // Little-endian; the low part is taken first (operands of | are not sequenced, so in steps).
  std::uint8_t u8() { return left_ > 0 ? (--left_, *p_++) : 0; }
  std::uint16_t u16() {
    const std::uint16_t low = u8();
    return static_cast<std::uint16_t>(low | u8() << 8);
  }
  std::uint32_t u32() {
    const std::uint32_t low = u16();
    return low | static_cast<std::uint32_t>(u16()) << 16;
  }
  std::uint64_t u64() {
    const std::uint64_t low = u32();
    return low | static_cast<std::uint64_t>(u32()) << 32;
  }
  // Copies up to n bytes into `out` (the rest is zero-filled).
  void fill(void* out, std::size_t n) {
    const std::size_t k = n < left_ ? n : left_;
    std::memcpy(out, p_, k);
    std::memset(static_cast<char*>(out) + k, 0, n - k);
    p_ += k;
    left_ -= k;
  }
  std::string_view rest() {
    std::string_view r(reinterpret_cast<const char*>(p_), left_);
    p_ += left_;
    left_ = 0;
    return r;
  }
  std::size_t left() const { return left_; }

 private:
  const std::uint8_t* p_;
  std::size_t left_;
};

// A heap block of exactly `n` bytes (none for 0: any access is then out of bounds too).
inline std::unique_ptr<char[]> exact_block(std::size_t n) {
  if (n > static_cast<std::size_t>(PTRDIFF_MAX)) std::abort();  // no object is that large
  return std::unique_ptr<char[]>(new char[n]);
}

inline std::unique_ptr<char[]> exact_copy(std::string_view s) {
  auto b = exact_block(s.size());
  if (!s.empty()) std::memcpy(b.get(), s.data(), s.size());
  return b;
}

// A scratch folder under /tmp for the target's files, removed when the process exits normally.
inline std::filesystem::path scratch_folder(const char* target) {
  static std::filesystem::path folder;
  std::string tmpl = std::string("/tmp/tavo-fuzz-") + target + "-XXXXXX";
  if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
  folder = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  });
  return folder;
}

inline bool is_one_of(recio::Status s, std::initializer_list<std::uint16_t> numbers) {
  if (s == recio::kOk) return true;
  for (std::uint16_t n : numbers)
    if (s == recio::status_of(n)) return true;
  return false;
}

}  // namespace tavo::fuzz
