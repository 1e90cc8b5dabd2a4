// The message catalog: one table of status codes with their texts, sorted by number.
#pragma once

#include <span>
#include <string_view>

#include "recio/status.h"

namespace recio {

struct CatalogEntry {
  std::uint16_t number;
  Severity severity;
  std::string_view text;  // may hold printf-style placeholders
};

// Every entry, sorted by number. Text 0 is the success text.
std::span<const CatalogEntry> catalog();

// The text for a status code's number, or "Message not found".
std::string_view message_text(Status status);

// "lumrtl", "lumrtl: info", "lumrtl: warning", "lumrtl: error" or "lumrtl: severe".
std::string_view severity_prefix(Severity severity);

}  // namespace recio
