#include "console/core/help.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "console/core/menu.h"

#ifndef TAVO_VERSION
#define TAVO_VERSION "1.0"
#endif

namespace console {
namespace {

namespace fs = std::filesystem;

bool is_file(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

std::string executable_dir() {
  std::array<char, 4096> buffer;
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) == buffer.size()) return {};
  return fs::path(std::string(buffer.data(), static_cast<std::size_t>(n))).parent_path().string();
}

}  // namespace

std::optional<int> help_context(int command_id) {
  using namespace command;
  struct Entry {
    int command;
    int context;
  };
  static constexpr Entry kContexts[] = {
      {kExit, 1000},      {kAbout, 1001},      {kCopy, 1002},         {kInput, 1004},
      {kPaste, 1007},     {kStatusBar, 1008},  {kArrangeIcons, 1009}, {kCascade, 1010},
      {kTile, 1011},      {kPause, 1012},      {kResume, 1013},       {kClearPaste, 1014},
      {kSizeToFit, 1015}, {kFullScreen, 1016}, {kPrint, 1017},        {kSave, 1018},
  };
  for (const Entry& e : kContexts)
    if (e.command == command_id) return e.context;
  return std::nullopt;
}

std::string complete_help_name(std::string_view value) {
  std::string name(value);
  std::error_code ec;
  if (name.empty() || name.back() == '/' || fs::is_directory(name, ec)) {
    if (!name.empty() && name.back() != '/') name += '/';
    return name + std::string(kHelpFileName);
  }
  const std::size_t slash = name.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = name.find('.', start);
  if (dot == std::string::npos) return name + std::string(kHelpExtension);
  if (dot == start) name.insert(start, kHelpBaseName);
  return name;
}

HelpFile find_help_file(const HelpSearch& search) {
  if (!search.fpkit_hlp.empty()) {
    std::string named = complete_help_name(search.fpkit_hlp);
    if (is_file(named)) return {named, true};
  }
  auto beside = [](std::string_view dir) { return (fs::path(dir) / kHelpFileName).string(); };
  if (!search.executable_dir.empty() && is_file(beside(search.executable_dir)))
    return {beside(search.executable_dir), true};
  std::string_view rest = search.path;
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    if (!dir.empty() && is_file(beside(dir))) return {beside(dir), true};
  }
  return {std::string(kHelpFileName), is_file(kHelpFileName)};
}

const HelpFile& help_file() {
  static const HelpFile file = [] {
    auto env = [](const char* name) {
      const char* v = std::getenv(name);
      return v != nullptr ? std::string(v) : std::string();
    };
    return find_help_file({env("FPKIT_HLP"), env("PATH"), executable_dir()});
  }();
  return file;
}

std::string help_anchor(int context) {
  return "context-" + std::to_string(context);
}

std::string help_url(std::string_view help_path, std::optional<int> context) {
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(help_path), ec);
  const std::string path = ec ? std::string(help_path) : absolute.lexically_normal().string();
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (keep) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 0xF];
    }
  }
  if (context) {
    url += '#';
    url += help_anchor(*context);
  }
  return url;
}

std::string library_version_text() {
  return "Tavo console library " TAVO_VERSION;
}

std::string about_text() {
  return "Tavo " TAVO_VERSION "\nVerification of numerical solutions\n\n" + library_version_text();
}

std::string_view using_help_text() {
  return "Help opens Tavo's manual, FPKIT.html, in the desktop's web browser, or in a help "
         "window of its own where the desktop has none; Esc closes that window.\n\n"
         "Help > Contents opens it at its table of contents. To read about one menu command, "
         "press F1 while the command is highlighted in its menu: the manual opens at that "
         "command's section.\n\n"
         "The manual is looked for where the FPKIT_HLP environment variable points, then beside "
         "the tavo program and in the folders of PATH.";
}

}  // namespace console
