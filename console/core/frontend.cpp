#include "console/core/frontend.h"

namespace console {
namespace {
FrontEnd* g_front_end = nullptr;
}

void install_front_end(FrontEnd* front_end) {
  g_front_end = front_end;
}
FrontEnd* front_end() {
  return g_front_end;
}

}  // namespace console
