// Whether the desktop can be reached: the toolkit ends a process that cannot open its display,
// so the test runs in a child process.
#pragma once

namespace console::window {

bool display_opens(int argc, char** argv);

}  // namespace console::window
