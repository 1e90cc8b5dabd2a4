// The frame on its own: names, menus, status line, command and init-menu forwarding.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QtTest>

#include "console/core/console.h"
#include "console/window/child_window.h"
#include "console/window/frame.h"
#include "console/window/status_bar.h"
#include "registry.h"

using console::Console;
using console::window::FrameWindow;
namespace command = console::command;

namespace {

QAction* action_with_id(QMenuBar* bar, int id) {
  for (QAction* top : bar->actions()) {
    for (QAction* a : top->menu()->actions()) {
      if (a->data().toInt() == id) return a;
    }
  }
  return nullptr;
}

class RecordingChild : public QWidget, public console::window::ChildWindow {
 public:
  void command(int id) override { commands.push_back(id); }
  void init_menu(Console& console) override {
    ++menu_inits;
    console.set_menu_item_enabled(command::kCopy, false);
  }
  QList<int> commands;
  int menu_inits = 0;
};

}  // namespace

class FrameTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    console_ = std::make_unique<Console>();
    console_->begin_initialisation("tavo");
    frame_ = std::make_unique<FrameWindow>(*console_);
  }
  void cleanup() {
    frame_.reset();
    console_.reset();
  }

  void namesAndTitle() {
    QCOMPARE(frame_->objectName(), QString("tavoFRAME"));
    QCOMPARE(frame_->windowTitle(), QString("tavo"));
    QCOMPARE(frame_->status_bar()->objectName(), QString("tavoSTATUSBAR"));
    QVERIFY(frame_->client() != nullptr);
  }

  void minimalBarUntilAChildIsActive() {
    QVERIFY(action_with_id(frame_->menuBar(), command::kExitMinimal) != nullptr);
    QVERIFY(action_with_id(frame_->menuBar(), command::kCopy) == nullptr);

    frame_->show();
    QMdiSubWindow* sub = frame_->client()->addSubWindow(new RecordingChild);
    sub->show();
    frame_->client()->setActiveSubWindow(sub);
    QTRY_COMPARE(frame_->installed_menu_bar(), FrameWindow::Bar::Full);
    QVERIFY(action_with_id(frame_->menuBar(), command::kCopy) != nullptr);
    sub->close();
    QTRY_COMPARE(frame_->installed_menu_bar(), FrameWindow::Bar::Minimal);
    QVERIFY(action_with_id(frame_->menuBar(), command::kCopy) == nullptr);
  }

  void fullBarShowsTheItemsState() {
    frame_->install_menu_bar(FrameWindow::Bar::Full);
    QVERIFY(!action_with_id(frame_->menuBar(), command::kInput)->isEnabled());
    QVERIFY(action_with_id(frame_->menuBar(), command::kStatusBar)->isChecked());
  }

  void commandsGoToTheActiveChildAndExitCloses() {
    frame_->show();
    auto* child = new RecordingChild;
    QMdiSubWindow* sub = frame_->client()->addSubWindow(child);
    sub->show();
    frame_->client()->setActiveSubWindow(sub);
    frame_->command(command::kCopy);
    frame_->command(command::kNothing);
    frame_->command(command::kPrint);
    QCOMPARE(child->commands, (QList<int>{command::kCopy, command::kPrint}));

    QSignalSpy closing(frame_.get(), &FrameWindow::closing);
    action_with_id(frame_->menuBar(), command::kExit)->trigger();
    QTRY_COMPARE(closing.count(), 1);
    QVERIFY(!frame_->isVisible());
    QCOMPARE(frame_->installed_menu_bar(), FrameWindow::Bar::Minimal);
    frame_->show();
    frame_->command(command::kExitMinimal);
    QTRY_VERIFY(!frame_->isVisible());
  }

  void popupOpeningAsksTheChildAndRelabelsState() {
    frame_->show();
    auto* child = new RecordingChild;
    QMdiSubWindow* sub = frame_->client()->addSubWindow(child);
    sub->show();
    frame_->client()->setActiveSubWindow(sub);
    QTRY_COMPARE(frame_->installed_menu_bar(), FrameWindow::Bar::Full);

    QCOMPARE(console_->pause(), console::PauseStep::SuspendProgram);
    QMenu* state = frame_->menuBar()->actions()[3]->menu();
    emit state->aboutToShow();
    QCOMPARE(child->menu_inits, 1);
    QCOMPARE(state->actions()[0]->text(), QString("&Resume\tCtrl+Q"));
    QCOMPARE(state->actions()[0]->data().toInt(), command::kResume);

    QMenu* edit = frame_->menuBar()->actions()[1]->menu();
    emit edit->aboutToShow();
    QVERIFY(!action_with_id(frame_->menuBar(), command::kCopy)->isEnabled());
  }

  void statusLineShowsRunStateAndMessage() {
    frame_->resize(640, 480);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    auto* status = frame_->status_bar();
    QCOMPARE(status->run_state_text(), QString("Running"));
    QCOMPARE(status->message_text(), QString());

    console_->set_status_message("Paste input pending");
    console_->set_run_state(1);
    frame_->refresh_status();
    QCOMPARE(status->run_state_text(), QString("Paused"));
    QCOMPARE(status->message_text(), QString("Paste input pending"));
    QCOMPARE(status->findChild<QLabel*>("RunState")->text(), QString("Paused"));

    // The status line lies under the MDI area across the whole width.
    QTRY_COMPARE(status->geometry().top(), frame_->client()->geometry().bottom() + 1);
    QCOMPARE(status->width(), frame_->centralWidget()->width());
    QCOMPARE(status->geometry().bottom(), frame_->centralWidget()->height() - 1);

    console_->show_status_line(0);
    frame_->refresh_status();
    QVERIFY(!status->isVisible());
    QTRY_COMPARE(frame_->client()->height(), frame_->centralWidget()->height());
  }

 private:
  std::unique_ptr<Console> console_;
  std::unique_ptr<FrameWindow> frame_;
};

static tavo::testing::RegisterTest<FrameTest> register_frame_test;

#include "frame_test.moc"
