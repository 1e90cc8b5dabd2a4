// The whole start-up through console::window::run, each case in a child process of its own
// (the console is initialised once per process): the frame and its names, win.ini placement, a
// normal end, closing the frame, and the severe-error path with its exit status.
//
// A child prints what it sees as lines "what|detail" on standard output; the parent checks them
// and the exit status.
#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <thread>

#include "analysis/run_sequence.h"
#include "box_helpers.h"
#include "console/core/console.h"
#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "console/window/frame.h"
#include "console/window/startup.h"
#include "console/window/status_bar.h"
#include "recio/startup.h"
#include "registry.h"

using namespace std::chrono_literals;

namespace {

// ---------------------------------------------------------------------------------------------
// Child side

void say(const QString& line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

QString one_line(QString text) {
  return text.replace('\n', "\\n");
}

console::window::FrameWindow* find_frame() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* frame = qobject_cast<console::window::FrameWindow*>(w)) return frame;
  }
  return nullptr;
}

std::atomic<bool> g_frame_seen{false};  // the GUI thread has reported the frame

void terminate_hook() {
  say(console::process_console().run_state() == console::RunState::Finished ? "terminate|finished"
                                                                            : "terminate|running");
  int windows = 0;
  for (std::int32_t id = console::WindowTable::kFirstId; id <= console::WindowTable::kLastId; ++id)
    windows += console::process_console().windows().find(id) != console::kInvalidWindow ? 1 : 0;
  say(QString("windows|%1").arg(windows));
}

// Watches the windows from the GUI thread: reports the frame once it carries the program's
// title, answers boxes from a script, and can close the frame after the last answer.
class Observer : public QObject {
 public:
  Observer(std::deque<QMessageBox::StandardButton> answers, bool close_after_answers)
      : answers_(std::move(answers)), close_after_answers_(close_after_answers) {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { tick(); });
    timer->start(20);
  }

 private:
  void tick() {
    console::window::FrameWindow* frame = find_frame();
    if (frame == nullptr) return;
    if (!g_frame_seen && frame->windowTitle() == "TAVO 1.0 - Tavorama") {
      say("title|" + frame->windowTitle());
      say("names|" + frame->objectName() + "|" + frame->status_bar()->objectName());
      say("status|" + frame->status_bar()->run_state_text() + "|" +
          frame->status_bar()->message_text());
      say(QString("maximized|%1").arg(frame->isMaximized() ? 1 : 0));
      QStringList menus;
      for (QAction* a : frame->menuBar()->actions()) menus << a->text();
      say("menus|" + menus.join(","));
      g_frame_seen = true;
    }
    QMessageBox* box = tavo::testing::visible_box();
    if (box == nullptr || box == last_box_) return;
    last_box_ = box;
    say(QString("box|%1|%2|%3|%4|%5")
            .arg(box->windowTitle(), one_line(box->text()))
            .arg(box->icon())
            .arg(int(box->standardButtons()))
            .arg(box->defaultButton() == nullptr ? 0
                                                 : int(box->standardButton(box->defaultButton()))));
    if (answers_.empty()) {
      // No answer scripted: close the frame while the box is up.
      say("close|in box");
      frame->close();
      return;
    }
    QMessageBox::StandardButton answer = answers_.front();
    answers_.pop_front();
    box->button(answer)->click();
    if (answers_.empty() && close_after_answers_) {
      QTimer::singleShot(300, frame, [frame] {
        say(QString("visible|%1").arg(frame->isVisible() ? 1 : 0));
        frame->close();
      });
    }
  }

  std::deque<QMessageBox::StandardButton> answers_;
  bool close_after_answers_;
  QPointer<QMessageBox> last_box_;  // a new box may reuse a deleted one's address
};

void name_the_frame() {
  console::set_window_text(
      console::window_handle(static_cast<std::int32_t>(console::kFrameWindowCode)),
      "TAVO 1.0 - Tavorama");
  while (!g_frame_seen) std::this_thread::sleep_for(10ms);
}

// What the run-time's reporter does after a severe error: the message, the end-of-program step
// with code 1, then the end of the process with the error's status. The pause before the exit
// gives a GUI thread that wrongly exits first every chance to do so.
[[noreturn]] void severe_error() {
  console::front_end()->message_box(
      "lumrtl: severe (29): file not found, unit 7, file /tmp/dados.r33", "Lumetra run-time error ",
      console::BoxKind::RuntimeError);
  console::end_of_program(1);
  std::this_thread::sleep_for(300ms);
  std::_Exit(static_cast<int>(0xC000001Du));  // severe, message 29
}

int run_child(int& argc, char** argv, console::ProgramBody program,
              std::deque<QMessageBox::StandardButton> answers, bool close_after_answers) {
  QApplication app(argc, argv);
  Observer observer(std::move(answers), close_after_answers);
  return console::window::run(argc, argv, program, terminate_hook);
}

const bool registered = [] {
  using tavo::testing::register_scenario;
  register_scenario("normal", [](int& argc, char** argv) {
    return run_child(
        argc, argv,
        [] {
          name_the_frame();
          console::set_exit_mode(2);
        },
        {}, false);
  });
  register_scenario("error-yes", [](int& argc, char** argv) {
    return run_child(
        argc, argv,
        [] {
          name_the_frame();
          severe_error();
        },
        {QMessageBox::Ok, QMessageBox::Yes}, false);
  });
  register_scenario("error-no-then-close", [](int& argc, char** argv) {
    return run_child(
        argc, argv,
        [] {
          name_the_frame();
          severe_error();
        },
        {QMessageBox::Ok, QMessageBox::No}, true);
  });
  // Tavo's own run in the folder TAVO_TEST_CASE, with the editor stand-in the parent put on PATH.
  auto tavo_run = [](int& argc, char** argv, std::deque<QMessageBox::StandardButton> answers) {
    if (::chdir(std::getenv("TAVO_TEST_CASE")) != 0) return 99;
    return run_child(
        argc, argv,
        [] {
          recio::start_runtime();
          analysis::run_sequence();
        },
        std::move(answers), false);
  };
  register_scenario("tavo-run",
                    [tavo_run](int& argc, char** argv) { return tavo_run(argc, argv, {}); });
  register_scenario("tavo-run-error", [tavo_run](int& argc, char** argv) {
    return tavo_run(argc, argv, {QMessageBox::Ok, QMessageBox::Yes});
  });
  register_scenario("close-in-error-box", [](int& argc, char** argv) {
    return run_child(
        argc, argv,
        [] {
          name_the_frame();
          severe_error();
        },
        {}, false);
  });
  // For looking at: the frame as the program leaves it while it computes, until it is closed.
  register_scenario("show", [](int& argc, char** argv) {
    return console::window::run(
        argc, argv,
        [] {
          console::Console& console = console::process_console();
          console.set_window_text(
              console.window_handle(static_cast<std::int32_t>(console::kFrameWindowCode)),
              "TAVO 1.0 - Tavorama");
          console.set_status_message("Paste input pending");
          console::park_thread_forever();
        },
        nullptr);
  });
  register_scenario("close-while-computing", [](int& argc, char** argv) {
    QApplication app(argc, argv);
    QTimer::singleShot(0, [] {
      auto* timer = new QTimer(qApp);
      QObject::connect(timer, &QTimer::timeout, [timer] {
        console::window::FrameWindow* frame = find_frame();
        if (frame != nullptr && frame->status_bar()->run_state_text() == "Running") {
          timer->stop();
          say("close|computing");
          frame->close();
        }
      });
      timer->start(50);
    });
    return console::window::run(
        argc, argv,
        [] {
          for (;;) std::this_thread::sleep_for(10ms);
        },
        terminate_hook);
  });
  return true;
}();

// ---------------------------------------------------------------------------------------------
// Parent side

struct ChildResult {
  int exit_code = -1;
  QStringList lines;
  QString errors;
};

ChildResult run_scenario(const QString& name, const QString& config_home = {},
                         const QProcessEnvironment& extra = {}) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  if (!config_home.isEmpty()) env.insert("XDG_CONFIG_HOME", config_home);
  for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(), {"--scenario", name});
  ChildResult result;
  if (!child.waitForFinished(60000)) {
    child.kill();
    child.waitForFinished();
    result.errors = "timed out";
    return result;
  }
  result.exit_code = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
  result.lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  result.errors = QString::fromUtf8(child.readAllStandardError());
  return result;
}

// The lines of one kind, without the kind.
QStringList lines_of(const ChildResult& r, const QString& what) {
  QStringList found;
  for (const QString& line : r.lines) {
    if (line.startsWith(what + "|")) found << line.mid(what.size() + 1);
  }
  return found;
}

const QString kErrorBox = QString(
                              "Lumetra run-time error |lumrtl: severe (29): file not found, unit "
                              "7, file /tmp/dados.r33|%1|%2|0")
                              .arg(int(QMessageBox::Critical))
                              .arg(int(QMessageBox::Ok));
const QString kExitPrompt = QString(
                                "window_tests|Program Terminated with exit code 1\\nExit "
                                "Window?|%1|%2|%3")
                                .arg(int(QMessageBox::Warning))
                                .arg(int(QMessageBox::Yes | QMessageBox::No))
                                .arg(int(QMessageBox::No));

}  // namespace

// A copy of a golden case and a stub editor that logs its arguments and takes its time, so
// that the frame is seen with its title while the run goes on.
struct TavoCase {
  QTemporaryDir dir;
  QProcessEnvironment env;

  explicit TavoCase(const QString& golden) {
    QDir source(QString(TAVO_SOURCE_DIR) + "/tests/data/golden/" + golden);
    for (const QString& f : source.entryList(QDir::Files))
      QFile::copy(source.filePath(f), dir.filePath(f));
    QDir(dir.path()).mkdir("bin");
    QFile stub(dir.filePath("bin/notepad"));
    stub.open(QIODevice::WriteOnly);
    stub.write(
        ("#!/bin/sh\necho \"$@\" >> " + dir.filePath("notepad.log") + "\nsleep 0.3\n").toUtf8());
    stub.close();
    stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert("TAVO_TEST_CASE", dir.path());
    env.insert("PATH", dir.filePath("bin") + ":/usr/bin:/bin");
  }
  QByteArray read(const QString& name) const {
    QFile f(dir.filePath(name));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }
};

// The report without its date line.
QByteArray without_date(QByteArray report) {
  QList<QByteArray> lines = report.split('\n');
  lines.removeIf([](const QByteArray& l) { return l.contains("Dia = "); });
  return lines.join('\n');
}

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void tavoRunsInTheFrameAndClosesItByItself() {
    TavoCase c("worked");
    QByteArray expected = c.read("expected-report.txt");
    ChildResult r = run_scenario("tavo-run", {}, c.env);
    QVERIFY2(!r.errors.contains("Sanitizer"), qPrintable(r.errors));
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(lines_of(r, "title"), QStringList{"TAVO 1.0 - Tavorama"});
    QVERIFY(lines_of(r, "box").isEmpty());
    QCOMPARE(c.read("notepad.log"), QByteArray("dados.r33\nrelatorio.txt\n"));
    QCOMPARE(without_date(c.read("relatorio.txt")), without_date(expected));
    QCOMPARE(lines_of(r, "windows"), (QStringList{"0", "0"}));  // no text window opened
  }

  void tavoErrorShowsItsBoxThenThePromptAndEndsWithItsStatus() {
    TavoCase c("worked");
    QFile::remove(c.dir.filePath("exatos.txt"));
    ChildResult r = run_scenario("tavo-run-error", {}, c.env);
    QVERIFY2(!r.errors.contains("Sanitizer"), qPrintable(r.errors));
    const QString error_box =
        QString(
            "Lumetra run-time error |lumrtl: severe (24): end-of-file during read, unit 7, "
            "file %1|%2|%3|0")
            .arg(QDir(c.dir.path()).canonicalPath() + "/exatos.txt")
            .arg(int(QMessageBox::Critical))
            .arg(int(QMessageBox::Ok));
    QCOMPARE(lines_of(r, "box"), (QStringList{error_box, kExitPrompt}));
    QCOMPARE(r.exit_code, 24);  // the low byte of the status
    QCOMPARE(c.read("notepad.log"), QByteArray("dados.r33\n"));
  }

  void normalRunClosesTheFrameAndReturnsZero() {
    QTemporaryDir config;  // no win.ini there
    ChildResult r = run_scenario("normal", config.path());
    QVERIFY2(!r.errors.contains("Sanitizer"), qPrintable(r.errors));
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(lines_of(r, "title"), QStringList{"TAVO 1.0 - Tavorama"});
    QCOMPARE(lines_of(r, "names"), QStringList{"window_testsFRAME|window_testsSTATUSBAR"});
    QCOMPARE(lines_of(r, "status"), QStringList{"Running|"});
    QCOMPARE(lines_of(r, "maximized"), QStringList{"0"});
    QCOMPARE(lines_of(r, "menus"), QStringList{"&File"});
    QVERIFY(lines_of(r, "box").isEmpty());
    // The run-time's termination runs after the main program, then after the loop.
    QCOMPARE(lines_of(r, "terminate"), (QStringList{"running", "finished"}));
  }

  void winIniOpensTheFrameMaximised() {
    QTemporaryDir config;
    QFile ini(config.filePath("win.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[windows]\nPKITMaximized=0\n[window_tests]\nPKITMaximized=1\n");
    ini.close();
    ChildResult r = run_scenario("normal", config.path());
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(lines_of(r, "maximized"), QStringList{"1"});
  }

  void severeErrorEndsWithTheErrorsStatus() {
    ChildResult r = run_scenario("error-yes");
    QVERIFY2(!r.errors.contains("Sanitizer"), qPrintable(r.errors));
    QCOMPARE(lines_of(r, "box"), (QStringList{kErrorBox, kExitPrompt}));
    QCOMPARE(r.exit_code, 29);  // the low byte of the status
  }

  void severeErrorAnsweredNoKeepsTheWindowsThenStillEndsWithTheStatus() {
    ChildResult r = run_scenario("error-no-then-close");
    QVERIFY2(!r.errors.contains("Sanitizer"), qPrintable(r.errors));
    QCOMPARE(lines_of(r, "box"), (QStringList{kErrorBox, kExitPrompt}));
    QCOMPARE(lines_of(r, "visible"), QStringList{"1"});
    QCOMPARE(r.exit_code, 29);
  }

  // A run cut short by closing the frame never reports success.
  void closingTheFrameBeforeTheProgramEndsIsNotSuccess() {
    ChildResult r = run_scenario("close-in-error-box");
    QVERIFY2(!r.errors.contains("Sanitizer"), qPrintable(r.errors));
    QCOMPARE(lines_of(r, "box"), QStringList{kErrorBox});
    QCOMPARE(lines_of(r, "close"), QStringList{"in box"});
    QCOMPARE(r.exit_code, console::window::kClosedWhileRunningStatus);

    r = run_scenario("close-while-computing");
    QVERIFY2(!r.errors.contains("Sanitizer"), qPrintable(r.errors));
    QCOMPARE(lines_of(r, "close"), QStringList{"computing"});
    QCOMPARE(lines_of(r, "terminate"), QStringList{"running"});
    QCOMPARE(r.exit_code, console::window::kClosedWhileRunningStatus);
  }
};

static tavo::testing::RegisterTest<StartupTest> register_startup_test;

#include "startup_test.moc"
