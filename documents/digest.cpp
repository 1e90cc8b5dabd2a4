#include "documents/digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace documents {
namespace {

struct ContextFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

Context start() {
  Context c(EVP_MD_CTX_new());
  if (c && EVP_DigestInit_ex(c.get(), EVP_sha256(), nullptr) != 1) c.reset();
  return c;
}

std::string finish(EVP_MD_CTX* c) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(c, digest, &size) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < size; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 15];
  }
  return out;
}

}  // namespace

std::string sha256_hex(std::string_view bytes) {
  Context c = start();
  if (!c || EVP_DigestUpdate(c.get(), bytes.data(), bytes.size()) != 1) return {};
  return finish(c.get());
}

std::string file_sha256(const std::string& path, std::string& error) {
  error.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return {};
  }
  Context c = start();
  std::string digest;
  if (!c) {
    error = "no SHA-256 in this libcrypto";
  } else {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error = std::strerror(errno);
        break;
      }
      if (n == 0) {
        digest = finish(c.get());
        break;
      }
      EVP_DigestUpdate(c.get(), buffer, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return digest;
}

}  // namespace documents
