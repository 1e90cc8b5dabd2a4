// console-demo in the frame, in a child process (the console is initialised once per process):
// key clicks type lines into its console window, the window shows them and their echoes,
// eco.txt holds them, and "fim" ends the program with the exit prompt.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "box_helpers.h"
#include "child_process.h"
#include "console/core/console.h"
#include "console/window/frame.h"
#include "console/window/text_window_widget.h"
#include "demo.h"
#include "recio/process_end.h"
#include "registry.h"

namespace {

using tavo::testing::find_frame;
using tavo::testing::rows_of;
using tavo::testing::say;

// Types each line when the program reads, once the echo of the line before has appeared;
// reports the window before the last line and answers the exit prompt.
class Typist : public QObject {
 public:
  Typist() : QObject(qApp) {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { tick(); });
    timer->start(30);
  }

 private:
  struct Step {
    QString typed;
    QString echo;  // what the window shows once the program has answered
  };

  void tick() {
    console::window::FrameWindow* frame = find_frame();
    if (frame == nullptr) return;
    if (QMessageBox* box = tavo::testing::visible_box()) {
      say("box|" + box->windowTitle() + "|" + box->text().replace('\n', "\\n"));
      // The program has ended: its window may be closed now.
      const QList<QMdiSubWindow*> subs = frame->client()->subWindowList();
      auto* sub = subs.isEmpty() ? nullptr : qobject_cast<console::window::TextSubWindow*>(subs[0]);
      say(QString("closable|%1").arg(sub != nullptr && sub->close_allowed()));
      box->button(QMessageBox::Yes)->click();
      return;
    }
    const QList<QMdiSubWindow*> subs = frame->client()->subWindowList();
    if (subs.isEmpty()) return;
    auto* text = qobject_cast<console::window::TextWindowWidget*>(subs.first()->widget());
    if (text == nullptr || console::process_console().reading_window() == 0) return;
    if (step_ > 0 && !rows_of(text).contains(steps_[step_ - 1].echo)) return;
    if (step_ == steps_.size() - 1) {
      say("title|" + subs.first()->windowTitle());
      say(QString("windows|%1").arg(subs.size()));
      for (const QString& row : rows_of(text)) say("row|" + row);
      say(QString("active|%1").arg(frame->client()->activeSubWindow() == subs.first()));
    }
    if (step_ >= steps_.size()) return;
    QTest::keyClicks(text, steps_[step_].typed);
    QTest::keyClick(text, Qt::Key_Return);
    ++step_;
  }

  QList<Step> steps_ = {{"abc", "> abc"}, {"\"x y\"", "> x y"}, {"fim", ""}};
  qsizetype step_ = 0;
};

const bool registered = [] {
  tavo::testing::register_scenario("console-demo", [](int& argc, char** argv) {
    return tavo::testing::run_console(
        argc, argv, [] { new Typist; }, console_demo::program, recio::run_exit_handler);
  });
  return true;
}();

}  // namespace

class ConsoleDemoTest : public QObject {
  Q_OBJECT

 private slots:
  void typedLinesAreEchoedAndKeptInEco() {
    QTemporaryDir dir;
    QFile old(dir.filePath("eco.txt"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("antes\r\n");  // appended to, never replaced
    old.close();

    const tavo::testing::ChildRun r =
        tavo::testing::run_scenario("console-demo", tavo::testing::case_environment(dir.path()));
    QCOMPARE(r.exit_code, 0);

    QStringList rows, other;
    for (const QString& line : r.lines()) (line.startsWith("row|") ? rows : other) << line;
    QCOMPARE(rows, (QStringList{"row|Eco: escreva uma linha por vez (texto com brancos entre "
                                "aspas); fim termina.",
                                "row|abc", "row|> abc", "row|\"x y\"", "row|> x y"}));
    QCOMPARE(other, (QStringList{"title|Graphic1", "windows|1", "active|1",
                                 "box|window_tests|Program Terminated with exit code 0\\nExit "
                                 "Window?",
                                 "closable|1"}));
    QCOMPARE(tavo::testing::read_file(dir.filePath("eco.txt")),
             QByteArray("antes\r\nabc\r\nx y\r\n"));
  }
};

static tavo::testing::RegisterTest<ConsoleDemoTest> register_console_demo_test;

#include "console_demo_test.moc"
