// The front end an invocation shows.
#include <cstdlib>
#include <string_view>

#include "console/launch/launch.h"

#ifdef TAVO_HAVE_WINDOW
#include "console/window/display.h"
#endif

namespace console {
namespace {

[[maybe_unused]] bool set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != '\0';
}

}  // namespace

FrontEndKind choose_front_end([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef TAVO_HAVE_WINDOW
  const char* forced = std::getenv("TAVO_CONSOLE");
  const std::string_view force = forced != nullptr ? forced : "";
  if (force == "terminal") return FrontEndKind::Terminal;
  if (force == "window" || set("QT_QPA_PLATFORM")) return FrontEndKind::Window;
  if ((set("DISPLAY") || set("WAYLAND_DISPLAY")) && window::display_opens(argc, argv))
    return FrontEndKind::Window;
#endif
  return FrontEndKind::Terminal;
}

}  // namespace console
