// The application name and the two steps of initialisation.
#include "console/core/initialisation.h"

#include <unistd.h>

#include <array>

#include "console/core/cp1252.h"
#include "console/core/diagnostic.h"

namespace console {

std::string application_name_from_path(std::string_view executable_path) {
  std::string_view name = executable_path;
  if (std::size_t slash = name.rfind('/'); slash != std::string_view::npos)
    name.remove_prefix(slash + 1);
  if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos && dot != 0)
    name = name.substr(0, dot);
  if (name.empty()) return "Panelkit";
  return cp1252::from_utf8(name);
}

std::string read_application_name() {
  std::array<char, 4096> buffer;
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) == buffer.size()) return "Panelkit";
  return application_name_from_path(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

bool Initialisation::begin_initialisation(std::string application_name) {
  if (initialising_.exchange(true)) {
    raise_diagnostic(DiagnosticKind::Warning, diagnostic::kInconsistency, Module::pkginit,
                     __LINE__);
    return false;
  }
  application_name_ = std::move(application_name);
  return true;
}

void Initialisation::complete_initialisation(WindowHandle frame) {
  frame_.store(frame);
  initialised_.store(true);
}

std::string Initialisation::class_name(std::string_view suffix) const {
  return application_name_ + std::string(suffix);
}

}  // namespace console
