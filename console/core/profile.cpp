#include "console/core/profile.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string>

namespace console {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool same_name(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

int leading_int(std::string_view value) {
  std::string_view digits = value;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int n = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec == std::errc::result_out_of_range) return 0;
  return end == digits.data() ? 0 : n;
}

}  // namespace

std::filesystem::path profile_path() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::filesystem::path(config) / "win.ini";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0')
    return std::filesystem::path(home) / ".config" / "win.ini";
  return {};
}

int profile_int(const std::filesystem::path& file, std::string_view section, std::string_view key,
                int fallback) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return fallback;
  bool in_section = false;
  std::string line;
  while (std::getline(in, line)) {
    std::string_view s = trim(line);
    if (s.empty() || s.front() == ';') continue;
    if (s.front() == '[') {
      std::size_t close = s.find(']');
      in_section =
          close != std::string_view::npos && same_name(trim(s.substr(1, close - 1)), section);
      continue;
    }
    std::size_t eq = s.find('=');
    if (in_section && eq != std::string_view::npos && same_name(trim(s.substr(0, eq)), key))
      return leading_int(trim(s.substr(eq + 1)));
  }
  return fallback;
}

}  // namespace console
