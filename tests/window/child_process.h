// The window tests' one child-process driver: `window_tests --scenario NAME` runs a registered
// scenario (registry.h) in a process of its own, for the cases that need a console initialised
// once per process. The child says what it sees as lines "what|detail" on standard output; the
// parent runs it and checks those lines and the exit status.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QtDebug>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "console/core/text_model.h"
#include "console/window/frame.h"
#include "console/window/startup.h"
#include "console/window/text_window_widget.h"

namespace tavo::testing {

// ---------------------------------------------------------------------------------------------
// Parent side

struct ChildRun {
  // -1 when it did not end within a minute (it is killed), -2 on a crash, -3 when a sanitizer
  // reported on it (the report goes to the test's log), whatever its status.
  int exit_code = -1;
  QString out;
  QString err;

  QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
  // The lines "what|detail" of one kind, without the kind.
  QStringList lines_of(const QString& what) const {
    QStringList found;
    for (const QString& line : lines()) {
      if (line.startsWith(what + "|")) found << line.mid(what.size() + 1);
    }
    return found;
  }
};

// Runs the scenario on the offscreen platform, in this folder, with this process's environment
// and `env` over it.
inline ChildRun run_scenario(const QString& name, const QProcessEnvironment& env = {}) {
  QProcess child;
  QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
  all.insert("QT_QPA_PLATFORM", "offscreen");
  all.insert(env);
  child.setProcessEnvironment(all);
  child.start(QCoreApplication::applicationFilePath(), {"--scenario", name});
  ChildRun r;
  if (!child.waitForFinished(60000)) {
    child.kill();
    child.waitForFinished();
    r.err = "timed out";
    return r;
  }
  r.exit_code = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
  r.out = QString::fromUtf8(child.readAllStandardOutput());
  r.err = QString::fromUtf8(child.readAllStandardError());
  if (r.err.contains("Sanitizer")) {
    qWarning().noquote() << name << r.err;
    r.exit_code = -3;
  }
  return r;
}

// The environment of a run in `folder` (TAVO_TEST_CASE, which the child changes to), with
// `bin` first on PATH before the system's folders, or no folder of editors at all.
inline QProcessEnvironment case_environment(const QString& folder, const QString& bin = {}) {
  QProcessEnvironment env;
  env.insert("TAVO_TEST_CASE", folder);
  env.insert("PATH", (bin.isEmpty() ? "/nonexistent-tavo" : bin) + ":/usr/bin:/bin");
  return env;
}

// Copies the files (not the folders) of `from` into `to`.
inline void copy_files(const QString& from, const QString& to) {
  const QDir source(from);
  for (const QString& f : source.entryList(QDir::Files))
    QFile::copy(source.filePath(f), QDir(to).filePath(f));
}

inline QByteArray read_file(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

// An editor stand-in `bin`/notepad that appends its arguments as a line to `log` and then runs
// `more` (shell text).
inline void write_stub_notepad(const QString& bin, const QString& log, const QString& more = {}) {
  QDir().mkpath(bin);
  QFile stub(QDir(bin).filePath("notepad"));
  stub.open(QIODevice::WriteOnly);
  stub.write(("#!/bin/sh\necho \"$*\" >> '" + log + "'\n" + more + "\n").toUtf8());
  stub.close();
  stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// ---------------------------------------------------------------------------------------------
// Child side

// One line for the parent, on standard output at once.
inline void say(const QString& line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

// The text with its line breaks as "\n", to fit one line.
inline QString one_line(QString text) {
  return text.replace('\n', "\\n");
}

// The console's run of `program` in TAVO_TEST_CASE, where the parent gave one (99 when it
// cannot go there), with `watch` called once the application exists to start the child's
// watchers on the GUI thread (objects owned by qApp).
inline int run_console(int& argc, char** argv, const std::function<void()>& watch,
                       console::ProgramBody program, console::TerminationHook termination) {
  const char* folder = std::getenv("TAVO_TEST_CASE");
  if (folder != nullptr && ::chdir(folder) != 0) return 99;
  QApplication app(argc, argv);
  watch();
  return console::window::run(argc, argv, std::move(program), termination);
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

}  // namespace tavo::testing
