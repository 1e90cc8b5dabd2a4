// console-demo in the frame, in a child process (the library is initialised once per process):
// what the child's driver and the test that starts it share.
#pragma once

#include <QApplication>
#include <QProcess>
#include <QStringList>

#include <cstdio>
#include <string>

#include "console/core/text_model.h"
#include "console/window/frame.h"
#include "console/window/text_window_widget.h"

namespace tavo::testing {

// In the child: one line of what the driver saw, on standard output for the test to compare.
inline void say(const QString& line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

inline console::window::FrameWindow* find_frame() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* frame = qobject_cast<console::window::FrameWindow*>(w)) return frame;
  }
  return nullptr;
}

// The rows of the window as a copy gives them, trailing empty rows dropped.
inline QStringList rows_of(console::window::TextWindowWidget* text) {
  const std::string copy = text->text_window().with_model(
      [](console::TextModel& m) { return m.copy_text(1, 1, m.rows(), m.columns()); });
  QStringList rows =
      QString::fromLatin1(copy.data(), static_cast<qsizetype>(copy.size())).split("\r\n");
  while (!rows.isEmpty() && rows.last().isEmpty()) rows.removeLast();
  return rows;
}

struct DemoRun {
  bool finished = false;
  QProcess::ExitStatus status = QProcess::CrashExit;
  int exit_code = -1;
  QString errors;
  QStringList said;
};

// Runs `scenario` in a child on the offscreen platform, in `folder`, and collects what it said.
inline DemoRun run_demo_child(const QString& scenario, const QString& folder) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TAVO_TEST_CASE", folder);
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(), {"--scenario", scenario});
  DemoRun r;
  r.finished = child.waitForFinished(60000);
  r.status = child.exitStatus();
  r.exit_code = child.exitCode();
  r.errors = QString::fromUtf8(child.readAllStandardError());
  r.said = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  return r;
}

}  // namespace tavo::testing
