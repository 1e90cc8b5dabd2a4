// The whole start-up through console::window::run, each case in a child process of its own
// (the console is initialised once per process): the frame and its names, win.ini placement, a
// normal end, closing the frame, and the severe-error path with its exit status.
#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <thread>

#include "analysis/run_sequence.h"
#include "box_helpers.h"
#include "child_process.h"
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

using tavo::testing::find_frame;
using tavo::testing::one_line;
using tavo::testing::say;

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
      : QObject(qApp), answers_(std::move(answers)), close_after_answers_(close_after_answers) {
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

void normal_end() {
  name_the_frame();
  console::set_exit_mode(2);
}

void error_end() {
  name_the_frame();
  severe_error();
}

void tavo_run() {
  recio::start_runtime();
  analysis::run_sequence();
}

// A program watched by the Observer, with its answers to the boxes and whether it closes the
// frame after the last.
struct Observed {
  const char* name;
  void (*program)();
  std::deque<QMessageBox::StandardButton> answers;
  bool close_after_answers = false;
};

const bool registered = [] {
  using tavo::testing::register_scenario;
  const Observed observed[] = {
      {"normal", normal_end, {}},
      {"error-yes", error_end, {QMessageBox::Ok, QMessageBox::Yes}},
      {"error-no-then-close", error_end, {QMessageBox::Ok, QMessageBox::No}, true},
      {"close-in-error-box", error_end, {}},
      // Tavo's own run, with the editor stand-in the parent put on PATH.
      {"tavo-run", tavo_run, {}},
      {"tavo-run-error", tavo_run, {QMessageBox::Ok, QMessageBox::Yes}},
  };
  for (const Observed& o : observed) {
    register_scenario(o.name, [o](int& argc, char** argv) {
      return tavo::testing::run_console(
          argc, argv, [&o] { new Observer(o.answers, o.close_after_answers); }, o.program,
          terminate_hook);
    });
  }
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
    const auto close_when_running = [] {
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
    };
    return tavo::testing::run_console(
        argc, argv, close_when_running,
        [] {
          for (;;) std::this_thread::sleep_for(10ms);
        },
        terminate_hook);
  });
  return true;
}();

// ---------------------------------------------------------------------------------------------
// Parent side

using tavo::testing::ChildRun;
using tavo::testing::run_scenario;

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
    tavo::testing::copy_files(QString(TAVO_SOURCE_DIR) + "/tests/data/golden/" + golden,
                              dir.path());
    tavo::testing::write_stub_notepad(dir.filePath("bin"), dir.filePath("notepad.log"),
                                      "sleep 0.3");
    env = tavo::testing::case_environment(dir.path(), dir.filePath("bin"));
  }
  QByteArray read(const QString& name) const {
    return tavo::testing::read_file(dir.filePath(name));
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
    ChildRun r = run_scenario("tavo-run", c.env);
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(r.lines_of("title"), QStringList{"TAVO 1.0 - Tavorama"});
    QVERIFY(r.lines_of("box").isEmpty());
    QCOMPARE(c.read("notepad.log"), QByteArray("dados.r33\nrelatorio.txt\n"));
    QCOMPARE(without_date(c.read("relatorio.txt")), without_date(expected));
    QCOMPARE(r.lines_of("windows"), (QStringList{"0", "0"}));  // no text window opened
  }

  void tavoErrorShowsItsBoxThenThePromptAndEndsWithItsStatus() {
    TavoCase c("worked");
    QFile::remove(c.dir.filePath("exatos.txt"));
    ChildRun r = run_scenario("tavo-run-error", c.env);
    const QString error_box =
        QString(
            "Lumetra run-time error |lumrtl: severe (24): end-of-file during read, unit 7, "
            "file %1|%2|%3|0")
            .arg(QDir(c.dir.path()).canonicalPath() + "/exatos.txt")
            .arg(int(QMessageBox::Critical))
            .arg(int(QMessageBox::Ok));
    QCOMPARE(r.lines_of("box"), (QStringList{error_box, kExitPrompt}));
    QCOMPARE(r.exit_code, 24);  // the low byte of the status
    QCOMPARE(c.read("notepad.log"), QByteArray("dados.r33\n"));
  }

  // A scenario with a configuration folder of its own (`ini` its win.ini, if any): its exit
  // status, and for each kind of line in `said` (and for boxes, always) the lines of that kind.
  void startAndEnd_data() {
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("exit_code");
    QTest::addColumn<QStringList>("said");
    const QString error = "box|" + kErrorBox, prompt = "box|" + kExitPrompt;
    // Closing the frame before the program ends is never success.
    const int closed = console::window::kClosedWhileRunningStatus;
    // The run-time's termination runs after the main program, then after the loop.
    QTest::newRow("normal end") << "normal" << QByteArray() << 0
                                << QStringList{"title|TAVO 1.0 - Tavorama",
                                               "names|window_testsFRAME|window_testsSTATUSBAR",
                                               "status|Running|",
                                               "maximized|0",
                                               "menus|&File",
                                               "terminate|running",
                                               "terminate|finished"};
    QTest::newRow("win.ini maximised")
        << "normal" << QByteArray("[windows]\nPKITMaximized=0\n[window_tests]\nPKITMaximized=1\n")
        << 0 << QStringList{"maximized|1"};
    // The low byte of the error's status.
    QTest::newRow("severe error, Yes")
        << "error-yes" << QByteArray() << 29 << QStringList{error, prompt};
    QTest::newRow("severe error, No keeps the windows")
        << "error-no-then-close" << QByteArray() << 29 << QStringList{error, prompt, "visible|1"};
    QTest::newRow("closed in the error box")
        << "close-in-error-box" << QByteArray() << closed << QStringList{error, "close|in box"};
    QTest::newRow("closed while computing") << "close-while-computing" << QByteArray() << closed
                                            << QStringList{"close|computing", "terminate|running"};
  }
  void startAndEnd() {
    QFETCH(QString, scenario);
    QFETCH(QByteArray, ini);
    QFETCH(int, exit_code);
    QFETCH(QStringList, said);
    QTemporaryDir config;
    if (!ini.isEmpty()) {
      QFile file(config.filePath("win.ini"));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(ini);
    }
    QProcessEnvironment env;
    env.insert("XDG_CONFIG_HOME", config.path());
    const ChildRun r = run_scenario(scenario, env);
    QCOMPARE(r.exit_code, exit_code);
    const ChildRun expected{.out = said.join(QChar(10)), .err = {}};
    QStringList kinds{"box"};
    for (const QString& line : said) kinds << line.section('|', 0, 0);
    kinds.removeDuplicates();
    for (const QString& kind : kinds) QCOMPARE(r.lines_of(kind), expected.lines_of(kind));
  }
};

static tavo::testing::RegisterTest<StartupTest> register_startup_test;

#include "startup_test.moc"
