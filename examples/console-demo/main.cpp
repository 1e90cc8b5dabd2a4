// console-demo: picks the console front end as tavo does and runs the demo in it.
#include "console/core/face.h"
#include "console/terminal/terminal.h"
#include "demo.h"
#include "recio/process_end.h"

#ifdef TAVO_HAVE_WINDOW
#include "console/window/display.h"
#include "console/window/startup.h"
constexpr auto kDisplayOpens = console::window::display_opens;
#else
constexpr bool (*kDisplayOpens)(int, char**) = nullptr;
#endif

int main(int argc, char** argv) {
  if (console::choose_face(kDisplayOpens, argc, argv) == console::Face::Terminal)
    return console::terminal::run(console_demo::program, recio::run_exit_handler);
#ifdef TAVO_HAVE_WINDOW
  return console::window::run(argc, argv, console_demo::program, recio::run_exit_handler);
#endif
}
