// console-demo: a small program that talks through the console units. It writes a greeting to
// standard output, then reads lines from standard input; each line comes back as "> " and the
// line, and is appended to eco.txt in the current folder. The line "fim" (or the end of the
// input) ends it.
#pragma once

namespace console_demo {

// The program's code, run as the program thread of either console front end.
void program();

}  // namespace console_demo
