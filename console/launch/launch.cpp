#include "console/launch/launch.h"

#include <utility>

#include "console/terminal/terminal.h"

#ifdef TAVO_HAVE_WINDOW
#include "console/window/startup.h"
#endif

namespace console {

int launch(FrontEndKind kind, [[maybe_unused]] int& argc, [[maybe_unused]] char** argv,
           ProgramBody body, TerminationHook termination) {
  switch (kind) {
    case FrontEndKind::Window:
#ifdef TAVO_HAVE_WINDOW
      return window::run(argc, argv, std::move(body), termination);
#else
      break;
#endif
    case FrontEndKind::Terminal:
      break;
    case FrontEndKind::None:
      body();
      if (termination != nullptr) termination();
      return 0;
  }
  return terminal::run(body, termination);
}

int launch(int& argc, char** argv, ProgramBody body, TerminationHook termination) {
  return launch(choose_front_end(argc, argv), argc, argv, std::move(body), termination);
}

}  // namespace console
