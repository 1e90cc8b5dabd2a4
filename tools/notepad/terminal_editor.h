// notepad's terminal face: the user's own editor on a terminal.
#pragma once

#include <string>

namespace notepad {

// The editor command for a terminal: $VISUAL, else $EDITOR, else the first of sensible-editor,
// editor, nano and vi found on PATH; empty when there is none.
std::string terminal_editor_command();

// With a terminal on standard input and output, runs the editor on `file` and waits for it
// (its exit status; 1 when none could be started). Without one, returns 0 at once and leaves
// the file as it is.
int edit_in_terminal(const std::string& file);

}  // namespace notepad
