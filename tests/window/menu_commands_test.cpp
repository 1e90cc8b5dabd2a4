// The menu commands on a text window in the frame: Pause and Resume with the program writing or
// reading, the selections and Copy, the enabling rules as the menus show them, help mode (F1),
// Help, the help window, About, the Status Bar and the window arrangement.
#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QMdiArea>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>
#include <QtTest>

#include <atomic>
#include <thread>

#include "box_helpers.h"
#include "console/core/help.h"
#include "console/window/help_viewer.h"
#include "console/window/status_bar.h"
#include "frame_fixture.h"
#include "registry.h"

using console::RunState;
using namespace console::command;
using tavo::testing::grid;
using tavo::testing::ready;

namespace {

// A pixel inside the cell (column, row) of an 8 x 16 grid.
QPoint in_cell(int column, int row) {
  return {(column - 1) * 8 + 3, (row - 1) * 16 + 5};
}

QRgb shown_pixel(QWidget* viewport, QPoint at) {
  return viewport->grab().toImage().pixel(at);
}

}  // namespace

class MenuCommandsTest : public QObject, private tavo::testing::FrameFixture {
  Q_OBJECT

 private slots:
  void init() {
    set_up();
    console::window::set_url_opener([this](const QUrl& url) {
      opened_ << url;
      return true;
    });
  }
  void cleanup() {
    console::window::set_url_opener({});
    opened_.clear();
    tear_down();
  }

  void pauseStopsAWritingProgramUntilResume() {
    // The program writes to a window other than the active one, in whose DrawLock the pause is
    // taken: it must never stop inside the other window's lock (or the GUI mailbox's).
    const std::int32_t id = open(grid(30, 6));
    const std::int32_t active = open(grid(12, 3));
    QCOMPARE(frame_->client()->activeSubWindow(), sub_of(active));
    std::atomic<bool> stop{false};
    std::atomic<long> written{0};
    std::thread program([&] {
      for (long n = 1; !stop; ++n) {
        console_->write_text(id, std::to_string(n) + "\r\n");
        written = n;
      }
    });
    // Ends the program, running, however the test ends.
    const auto finish = [&] {
      if (!program.joinable()) return;
      if (console_->run_state() == RunState::Paused) frame_->command(kResume);
      stop = true;
      program.join();
    };
    const auto finish_anyway = qScopeGuard(finish);
    QTRY_VERIFY(written.load() > 20);
    // Again and again, while the windows keep painting the program's output and status.
    for (int cycle = 0; cycle < 25; ++cycle) {
      frame_->command(kPause);
      QCOMPARE(console_->run_state(), RunState::Paused);
      const long at = written.load();
      const QStringList shown = rows(id);
      widget(id)->viewport()->repaint();  // takes the window's DrawLock
      QTest::qWait(20);
      QCOMPARE(written.load(), at);
      QCOMPARE(rows(id), shown);
      QTRY_COMPARE(state_text(), QString("Paused"));
      frame_->command(kResume);
      QCOMPARE(console_->run_state(), RunState::Running);
      QTRY_VERIFY(written.load() > at);
    }
    finish();  // and the program's state shows on the status line as it ends
    QTRY_COMPARE(state_text(), QString("Running"));
  }

  void pauseWhileAReadWaitsThenResumeAndTheReadGoesOn() {
    const std::int32_t id = open(grid(20, 5));
    auto* text = widget(id);
    auto read = std::async(std::launch::async, [this, id] { return read_line(id); });
    QTRY_COMPARE(console_->reading_window(), id);
    frame_->command(kPause);
    QCOMPARE(item("&State", kResume)->text(), QString("&Resume\tCtrl+Q"));
    QTRY_COMPARE(state_text(), QString("Paused"));
    QTest::keyClicks(text, "zz");  // beeps: the program is paused
    QTest::keyClick(text, Qt::Key_Return);
    QTest::qWait(20);
    QVERIFY(!ready(read));
    QCOMPARE(rows(id), QStringList());
    QTest::keyClick(text, Qt::Key_Q, Qt::ControlModifier);  // Resume
    QCOMPARE(item("&State", kPause)->text(), QString("&Pause\tCtrl+S"));
    QTest::keyClicks(text, "ok");
    QTest::keyClick(text, Qt::Key_Return);
    QTRY_VERIFY(ready(read));
    QCOMPARE(read.get(), QByteArray("ok"));
  }

  void selectAllThenCopyPutsTheWindowsLinesOnTheClipboard() {
    const std::int32_t id = open(grid(12, 4));
    write(id, "abc\r\n  d\xE9\r\n");
    QMdiSubWindow* sub = sub_of(id);
    frame_->command(kSelectAll);
    QCOMPARE(sub->windowTitle(), QString("Select Text - Graphic1"));
    QCOMPARE(console_->run_state(), RunState::Paused);
    QVERIFY(item("&Edit", kCopy)->isEnabled());
    frame_->command(kCopy);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString::fromUtf8("abc\r\n  d\xC3\xA9\r\n\r\n\r\n"));
    QCOMPARE(sub->windowTitle(), QString("Graphic1"));
    QCOMPARE(console_->run_state(), RunState::Running);
    QVERIFY(!item("&Edit", kCopy)->isEnabled());
  }

  void selectTextMarksWithTheMouseInvertedAndCopiesTheRange() {
    const std::int32_t id = open(grid(12, 4));
    write(id, "abcdef\r\nghijkl\r\n");
    auto* text = widget(id);
    QWidget* view = text->viewport();
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    QCOMPARE(shown_pixel(view, in_cell(10, 1)), black);
    frame_->command(kSelectText);
    QCOMPARE(sub_of(id)->windowTitle(), QString("Mark Text - Graphic1"));
    QVERIFY(!item("&Edit", kCopy)->isEnabled());
    QVERIFY(!item("&Edit", kSelectAll)->isEnabled());
    QTest::mousePress(view, Qt::LeftButton, {}, in_cell(2, 1));
    QTest::mouseMove(view, in_cell(3, 2));
    QTest::mouseRelease(view, Qt::LeftButton, {}, in_cell(3, 2));
    QCOMPARE(sub_of(id)->windowTitle(), QString("Select Text - Graphic1"));
    QVERIFY(item("&Edit", kCopy)->isEnabled());
    // Inverted over the marked cells only: to the end of the first row, to the extent on the last.
    QCOMPARE(shown_pixel(view, in_cell(10, 1)), white);
    QCOMPARE(shown_pixel(view, in_cell(8, 2)), black);
    QCOMPARE(shown_pixel(view, in_cell(1, 3)), black);
    QTest::keyClick(text, Qt::Key_Insert, Qt::ControlModifier);  // Copy
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("bcdef\r\nghi\r\n"));
    QCOMPARE(sub_of(id)->windowTitle(), QString("Graphic1"));
    QCOMPARE(shown_pixel(view, in_cell(10, 1)), black);
  }

  void escWhileMarkingEndsTheSelectionWithoutCopying() {
    const std::int32_t id = open(grid(12, 4));
    write(id, "abc\r\n");
    QGuiApplication::clipboard()->setText("before");
    frame_->command(kSelectText);
    QTest::keyClick(widget(id), Qt::Key_Right);  // marks from the window's top left
    QTest::keyClick(widget(id), Qt::Key_Down);
    QCOMPARE(sub_of(id)->windowTitle(), QString("Select Text - Graphic1"));
    QTest::keyClick(widget(id), Qt::Key_Escape);
    QCOMPARE(sub_of(id)->windowTitle(), QString("Graphic1"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
    QCOMPARE(console_->run_state(), RunState::Running);
    QVERIFY(!widget(id)->selection().active());
  }

  void selectGraphicsMarksPixelsWithTheKeysAndCopiesABitmap() {
    const std::int32_t id = open(grid(12, 4));
    write(id, "#+#+\r\n");
    frame_->command(kSelectGraphics);
    QCOMPARE(sub_of(id)->windowTitle(), QString("Mark Graphics - Graphic1"));
    QTest::keyClick(widget(id), Qt::Key_Right);
    QTest::keyClick(widget(id), Qt::Key_Right);
    QTest::keyClick(widget(id), Qt::Key_Down);
    QCOMPARE(sub_of(id)->windowTitle(), QString("Select graphics in Graphic1"));
    frame_->command(kCopy);
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
             widget(id)->snapshot().copy(0, 0, 17, 17));
  }

  void aProgramPausedBeforeTheSelectionStaysPausedAfterCopy() {
    const std::int32_t id = open(grid(12, 4));
    write(id, "x\r\n");
    frame_->command(kPause);
    frame_->command(kSelectAll);
    frame_->command(kCopy);
    QCOMPARE(console_->run_state(), RunState::Paused);
    QVERIFY(!widget(id)->selection().active());
    frame_->command(kResume);
    QCOMPARE(console_->run_state(), RunState::Running);
  }

  void menusFollowTheActiveWindowWhenTheyOpen() {
    const std::int32_t id = open(grid(12, 4));
    QGuiApplication::clipboard()->clear();
    QVERIFY(!item("&Edit", kPaste)->isEnabled());
    QGuiApplication::clipboard()->setText("1\n");
    QVERIFY(item("&Edit", kPaste)->isEnabled());
    QVERIFY(!item("&Window", kClearPaste)->isEnabled());
    frame_->command(kPaste);
    QVERIFY(!item("&Edit", kPaste)->isEnabled());
    QVERIFY(item("&Window", kClearPaste)->isEnabled());
    frame_->command(kClearPaste);
    QVERIFY(!item("&Window", kClearPaste)->isEnabled());
    QVERIFY(!item("&Window", kInput)->isEnabled());
    auto read = std::async(std::launch::async, [this, id] { return read_line(id); });
    QTRY_COMPARE(console_->reading_window(), id);
    QVERIFY(item("&Window", kInput)->isEnabled());
    QTest::keyClick(widget(id), Qt::Key_Return);
    QTRY_VERIFY(ready(read));
    QVERIFY(!item("&Window", kInput)->isEnabled());
    QVERIFY(item("&Window", kStatusBar)->isChecked());
    QVERIFY(!item("&View", kSizeToFit)->isChecked());
    frame_->command(kSizeToFit);
    QVERIFY(item("&View", kSizeToFit)->isChecked());
    QVERIFY(!item("&Edit", kSelectText)->isEnabled());
    frame_->command(kSizeToFit);
    QVERIFY(item("&Edit", kSelectText)->isEnabled());
  }

  void f1OnAMenuItemOpensItsHelpInsteadOfTheCommand() {
    const std::int32_t id = open(grid(12, 4));
    QMenu* edit = popup("&Edit");
    edit->popup(frame_->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(edit->isVisible());
    edit->setActiveAction(item("&Edit", kSelectAll));
    tavo::testing::SeenBox box;
    tavo::testing::answer_next_box(QMessageBox::Ok, &box);
    QTest::keyClick(edit, Qt::Key_F1);
    QTRY_VERIFY(box.seen);
    QCOMPARE(box.text, QString("Help not available for menu item"));
    QCOMPARE(box.title, QString("tavo"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!edit->isVisible());
    QVERIFY(!widget(id)->selection().active());  // not chosen
    QCOMPARE(sub_of(id)->windowTitle(), QString("Graphic1"));

    // An item with a context: the manual at its section, and the program keeps running.
    QMenu* state = popup("&State");
    state->popup(frame_->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(state->isVisible());
    state->setActiveAction(item("&State", kPause));
    QTest::keyClick(state, Qt::Key_F1);
    QTRY_COMPARE(opened_.size(), 1);
    QCOMPARE(opened_[0].fragment(), QString("context-1012"));
    QVERIFY(opened_[0].path().endsWith("/FPKIT.html"));
    QCOMPARE(console_->run_state(), RunState::Running);
    // Help mode is over: the next command runs.
    frame_->command(kPause);
    QCOMPARE(console_->run_state(), RunState::Paused);
    frame_->command(kResume);
  }

  void helpContentsUsingHelpAndAbout() {
    open(grid(12, 4));
    frame_->command(kContents);
    QCOMPARE(opened_.size(), 1);
    QVERIFY(opened_[0].isLocalFile());
    QCOMPARE(opened_[0].fragment(), QString());
    QCOMPARE(opened_[0].toLocalFile().toStdString(), console::help_file().path);

    tavo::testing::SeenBox about;
    tavo::testing::answer_next_box(QMessageBox::Ok, &about);
    frame_->command(kAbout);
    QVERIFY(about.seen);
    QCOMPARE(about.title, QString("tavo"));
    QCOMPARE(about.icon, QMessageBox::Information);
    QVERIFY(about.text.contains(QString::fromStdString(console::library_version_text())));

    tavo::testing::SeenBox using_help;
    tavo::testing::answer_next_box(QMessageBox::Ok, &using_help);
    frame_->command(kUsingHelp);
    QVERIFY(using_help.seen);
    QVERIFY(using_help.text.startsWith("Help opens"));
  }

  // Where the desktop opens nothing, the manual shows in one help window of its own, at the
  // section asked for; its links work there and Escape closes it.
  void withoutABrowserTheManualShowsInTheHelpWindowAtTheSection() {
    console::window::set_url_opener([this](const QUrl& url) {
      opened_ << url;
      return url.scheme() != "file";
    });
    frame_->command(kContents);
    auto* help = frame_->findChild<QTextBrowser*>("help");
    QVERIFY(help != nullptr);
    QTRY_VERIFY(help->isVisible() && help->isWindow());
    QVERIFY(help->toPlainText().contains("What Tavo does"));
    QCOMPARE(help->verticalScrollBar()->value(), 0);
    QTest::keyClick(help, Qt::Key_Tab);  // the first link, the contents' first entry
    QTest::keyClick(help, Qt::Key_Return);
    QCOMPARE(help->source().fragment(), QString("what"));
    emit help->anchorClicked(QUrl("https://example.org/x"));  // outside the manual: the opener's
    QCOMPARE(opened_.last(), QUrl("https://example.org/x"));

    frame_->set_help_mode();
    frame_->command(kPause);  // F1 on State > Pause: the same window, at its section
    QCOMPARE(frame_->findChildren<QTextBrowser*>("help"), QList<QTextBrowser*>{help});
    QCOMPARE(help->source().fragment(), QString("context-1012"));
    const QTextBlock section = help->document()->find("State > Pause").block();
    const QRectF heading = help->document()->documentLayout()->blockBoundingRect(section);
    const QRectF shown(QPointF(0, help->verticalScrollBar()->value()), help->viewport()->size());
    QVERIFY(shown.contains(heading.center()) && shown.top() > heading.top() - heading.height());
    QCOMPARE(console_->run_state(), RunState::Running);

    QTest::keyClick(help, Qt::Key_Escape);
    QTRY_VERIFY(frame_->findChild<QTextBrowser*>("help") == nullptr);
  }

  void statusBarTogglesAndTheClientTakesItsRoom() {
    open(grid(12, 4));
    const int height = frame_->client()->height();
    frame_->command(kStatusBar);
    QVERIFY(!frame_->status_bar()->isVisible());
    QVERIFY(!item("&Window", kStatusBar)->isChecked());
    QTRY_VERIFY(frame_->client()->height() > height);
    frame_->command(kStatusBar);
    QVERIFY(frame_->status_bar()->isVisible());
    QVERIFY(item("&Window", kStatusBar)->isChecked());
    QTRY_COMPARE(frame_->client()->height(), height);
  }

  void tileCascadeAndArrangeIcons() {
    std::vector<QMdiSubWindow*> subs;
    for (int i = 0; i < 3; ++i) subs.push_back(sub_of(open(grid(120, 60))));
    const int width = frame_->client()->viewport()->width();
    frame_->command(kTile);
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(subs[i]->pos(), QPoint(width * i / 3, 0));
      QCOMPARE(subs[i]->height(), frame_->client()->viewport()->height());
    }
    frame_->command(kCascade);
    QVERIFY(subs[1]->x() > subs[0]->x() && subs[1]->y() > subs[0]->y());

    subs[0]->showMinimized();
    subs[2]->showMinimized();
    subs[0]->move(200, 40);
    frame_->command(kArrangeIcons);
    const int bottom = frame_->client()->viewport()->height();
    QCOMPARE(subs[0]->geometry().bottom() + 1, bottom);
    QCOMPARE(subs[0]->x(), 0);
    QCOMPARE(subs[2]->geometry().bottom() + 1, bottom);
    QCOMPARE(subs[2]->x(), subs[0]->width());
  }

 private:
  QList<QUrl> opened_;
};

static tavo::testing::RegisterTest<MenuCommandsTest> register_menu_commands_test;

#include "menu_commands_test.moc"
