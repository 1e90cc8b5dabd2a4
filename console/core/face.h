// Which front end a program of ours shows: the desktop window or the terminal.
#pragma once

namespace console {

enum class Face { Window, Terminal };

// TAVO_CONSOLE=window or terminal forces the face; otherwise the window when a display can be
// opened (QT_QPA_PLATFORM set, or DISPLAY or WAYLAND_DISPLAY set and `display_opens` says it
// opens), the terminal when not. Without a window front end built (`display_opens` null) the
// face is always the terminal.
Face choose_face(bool (*display_opens)(int argc, char** argv), int argc, char** argv);

}  // namespace console
