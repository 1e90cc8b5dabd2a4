#include "recio/file_names.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "recio/units.h"

namespace recio {
namespace {

constexpr std::size_t kMaxFileName = 256;

}  // namespace

std::string upper_trimmed(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  std::string s(text.substr(0, n));
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string full_path_of(std::string_view name) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(name, ec);
  return ec ? std::string(name) : p.lexically_normal().string();
}

std::string clean_file_name(std::string_view name) {
  if (name.size() > kMaxFileName) name = name.substr(0, kMaxFileName);
  // A text field that was never given a value holds zero bytes: they pad like blanks.
  static constexpr std::string_view kPadding(" \0", 2);
  std::size_t b = name.find_first_not_of(kPadding);
  if (b == std::string_view::npos) return {};
  std::size_t e = name.find_last_not_of(kPadding);
  return std::string(name.substr(b, e - b + 1));
}

DeviceName device_name(std::string_view file) {
  std::size_t dot = file.find('.');
  bool has_extension = dot != std::string_view::npos && dot + 1 < file.size();
  std::string base = upper_trimmed(file.substr(0, dot));
  struct Entry {
    std::string_view name;
    DeviceName device;
    bool extension_makes_file;
  };
  static constexpr Entry kDevices[] = {
      {"CON", DeviceName::Con, false},      {"CONOUT$", DeviceName::ConOut, true},
      {"CONIN$", DeviceName::ConIn, true},  {"ERR", DeviceName::Err, true},
      {"USER", DeviceName::User, true},     {"PRN", DeviceName::Printer, false},
      {"LPT1", DeviceName::Printer, true},  {"LPT2", DeviceName::Printer, true},
      {"LPT3", DeviceName::Printer, true},  {"LPT4", DeviceName::Printer, true},
      {"COM1", DeviceName::Serial, false},  {"COM2", DeviceName::Printer, false},
      {"COM3", DeviceName::Printer, false}, {"COM4", DeviceName::Printer, false},
      {"AUX", DeviceName::Serial, false},   {"LINE", DeviceName::Serial, true},
      {"NUL", DeviceName::Nul, false},
  };
  for (const Entry& d : kDevices) {
    if (d.name != base) continue;
    return has_extension && d.extension_makes_file ? DeviceName::None : d.device;
  }
  return DeviceName::None;
}

namespace {

// The value of the environment variable that names a unit's file, or none.
const char* file_variable(int number) {
  const char* env = nullptr;
  switch (number) {
    case kReadUnit:
      env = std::getenv("FOR_READ");
      break;
    case kAcceptUnit:
      env = std::getenv("FOR_ACCEPT");
      break;
    case kTypeUnit:
      env = std::getenv("FOR_TYPE");
      break;
    case kPrintUnit:
      env = std::getenv("FOR_PRINT");
      break;
    default: {
      std::string var = "FORT" + std::to_string(number);
      env = std::getenv(var.c_str());
    }
  }
  return env != nullptr && *env != '\0' ? env : nullptr;
}

}  // namespace

bool file_named_by_environment(int number) {
  return file_variable(number) != nullptr;
}

std::string default_file_name(int number) {
  if (const char* env = file_variable(number)) return clean_file_name(env);
  switch (number) {
    case kReadUnit:
    case kAcceptUnit:
    case 5:
      return "CONIN$";
    case kTypeUnit:
    case kPrintUnit:
    case 6:
      return "CONOUT$";
    case 0:
      return "ERR";
    default:
      return "fort." + std::to_string(number);
  }
}

}  // namespace recio
