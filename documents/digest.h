// SHA-256 digests of the files a run or a study read (OpenSSL's libcrypto).
#pragma once

#include <string>
#include <string_view>

namespace documents {

// The digest of `bytes` as 64 lower-case hexadecimal digits.
std::string sha256_hex(std::string_view bytes);

// The digest of the file at `path`, read in pieces; empty with `error` set to the system's
// reason when it cannot be read.
std::string file_sha256(const std::string& path, std::string& error);

}  // namespace documents
