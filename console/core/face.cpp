#include "console/core/face.h"

#include <cstdlib>
#include <string_view>

namespace console {
namespace {

bool set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != '\0';
}

}  // namespace

Face choose_face(bool (*display_opens)(int, char**), int argc, char** argv) {
  const char* forced = std::getenv("TAVO_CONSOLE");
  std::string_view force = forced != nullptr ? forced : "";
  if (force == "terminal" || display_opens == nullptr) return Face::Terminal;
  if (force == "window" || set("QT_QPA_PLATFORM")) return Face::Window;
  if ((set("DISPLAY") || set("WAYLAND_DISPLAY")) && display_opens(argc, argv)) return Face::Window;
  return Face::Terminal;
}

}  // namespace console
