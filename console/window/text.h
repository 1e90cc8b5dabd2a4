// Code page 1252 bytes <-> QString at the toolkit boundary.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "console/core/cp1252.h"

namespace console::window {

inline QString to_qstring(std::string_view cp1252_bytes) {
  return QString::fromStdU16String(cp1252::decode(cp1252_bytes));
}

// UTF-8 bytes (the extras' texts) as a QString.
inline QString from_utf8(std::string_view utf8_bytes) {
  return QString::fromUtf8(utf8_bytes.data(), static_cast<qsizetype>(utf8_bytes.size()));
}

inline std::string to_cp1252(const QString& text) {
  return cp1252::encode(text.toStdU16String());
}

}  // namespace console::window
