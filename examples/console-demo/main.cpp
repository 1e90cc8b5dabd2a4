// console-demo: runs the demo in the console front end, chosen as tavo's is.
#include "console/launch/launch.h"
#include "demo.h"
#include "recio/process_end.h"

int main(int argc, char** argv) {
  return console::launch(argc, argv, console_demo::program, recio::run_exit_handler);
}
