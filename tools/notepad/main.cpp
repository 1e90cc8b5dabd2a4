// notepad FILE: the editor that the run sequence starts on its input and on its report. It
// returns when the user is done with the file.
#include <cstdio>
#include <string>

#include "console/launch/launch.h"
#include "tools/notepad/terminal_editor.h"

#ifdef TAVO_HAVE_WINDOW
#include <QApplication>

#include "tools/notepad/editor_window.h"
#endif

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: notepad FILE\n", stderr);
    return 2;
  }
  const std::string file = argv[1];
#ifdef TAVO_HAVE_WINDOW
  if (console::choose_front_end(argc, argv) == console::FrontEndKind::Window) {
    QApplication app(argc, argv);
    notepad::EditorWindow window(QString::fromLocal8Bit(file.c_str()));
    if (!window.load()) return 1;
    window.show();
    QApplication::exec();
    return 0;
  }
#endif
  return notepad::edit_in_terminal(file);
}
