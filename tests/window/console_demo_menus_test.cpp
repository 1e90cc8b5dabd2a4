// The menu commands on console-demo in the frame, in a child process: Pause while the program
// waits for a line, then Resume, and the read goes on; Select All then Copy puts the window's
// lines on the clipboard; Esc while marking ends the selection without copying.
#include <QApplication>
#include <QClipboard>
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
#include "console/core/menu.h"
#include "console/window/frame.h"
#include "console/window/status_bar.h"
#include "console/window/text_window_widget.h"
#include "demo.h"
#include "recio/process_end.h"
#include "registry.h"

using namespace console::command;

namespace {

using tavo::testing::find_frame;
using tavo::testing::rows_of;
using tavo::testing::say;

// Steps through the commands, one step a tick, saying what each showed; answers the exit prompt.
class MenuUser : public QObject {
 public:
  MenuUser() : QObject(qApp) {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { tick(); });
    timer->start(30);
  }

 private:
  void tick() {
    if (QMessageBox* box = tavo::testing::visible_box()) {
      box->button(QMessageBox::Yes)->click();
      return;
    }
    console::window::FrameWindow* frame = find_frame();
    if (frame == nullptr || frame->client()->subWindowList().isEmpty()) return;
    QMdiSubWindow* sub = frame->client()->subWindowList().first();
    auto* text = qobject_cast<console::window::TextWindowWidget*>(sub->widget());
    if (text == nullptr) return;
    const bool reading = console::process_console().reading_window() != 0;
    switch (step_) {
      case 0:  // the greeting shown, the first read waiting
        if (!reading) return;
        frame->command(kPause);
        QTest::keyClicks(text, "zz");  // refused while paused
        QTest::keyClick(text, Qt::Key_Return);
        break;
      case 1:  // a while later: nothing was read
        say("state|" + frame->status_bar()->run_state_text());
        say(QString("still reading|%1").arg(reading));
        say(QString("rows|%1").arg(rows_of(text).size()));
        frame->command(kResume);
        QTest::keyClicks(text, "abc");
        QTest::keyClick(text, Qt::Key_Return);
        break;
      case 2:  // the line read and echoed, the next read waiting
        if (!reading || !rows_of(text).contains("> abc")) return;
        say("state|" + frame->status_bar()->run_state_text());
        frame->command(kSelectAll);
        say("title|" + sub->windowTitle());
        frame->command(kCopy);
        for (const QString& line : QGuiApplication::clipboard()->text().split("\r\n"))
          if (!line.isEmpty()) say("copied|" + line);
        say("title|" + sub->windowTitle());
        QGuiApplication::clipboard()->setText("kept");
        frame->command(kSelectText);
        QTest::keyClick(text, Qt::Key_Down);
        say("title|" + sub->windowTitle());
        QTest::keyClick(text, Qt::Key_Escape);
        say("title|" + sub->windowTitle());
        say("clipboard|" + QGuiApplication::clipboard()->text());
        say("state|" + QString::fromStdString(std::string(
                           console::run_state_text(console::process_console().run_state()))));
        QTest::keyClicks(text, "fim");
        QTest::keyClick(text, Qt::Key_Return);
        break;
      default:
        return;
    }
    ++step_;
  }

  int step_ = 0;
};

const bool registered = [] {
  tavo::testing::register_scenario("console-demo-menus", [](int& argc, char** argv) {
    return tavo::testing::run_console(
        argc, argv, [] { new MenuUser; }, console_demo::program, recio::run_exit_handler);
  });
  return true;
}();

}  // namespace

class ConsoleDemoMenusTest : public QObject {
  Q_OBJECT

 private slots:
  void pauseDuringAReadSelectAllCopyAndEsc() {
    QTemporaryDir dir;
    const tavo::testing::ChildRun r = tavo::testing::run_scenario(
        "console-demo-menus", tavo::testing::case_environment(dir.path()));
    QCOMPARE(r.exit_code, 0);
    const QString greeting =
        "Eco: escreva uma linha por vez (texto com brancos entre aspas); fim "
        "termina.";
    QCOMPARE(r.lines(),
             (QStringList{"state|Paused", "still reading|1", "rows|1", "state|Running",
                          "title|Select Text - Graphic1", "copied|" + greeting, "copied|abc",
                          "copied|> abc", "title|Graphic1", "title|Select Text - Graphic1",
                          "title|Graphic1", "clipboard|kept", "state|Running"}));
    QCOMPARE(tavo::testing::read_file(dir.filePath("eco.txt")), QByteArray("abc\r\n"));
  }
};

static tavo::testing::RegisterTest<ConsoleDemoMenusTest> register_console_demo_menus_test;

#include "console_demo_menus_test.moc"
