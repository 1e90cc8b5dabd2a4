// Text windows in the frame: opening and writing from the program thread, a line typed with
// key clicks, the scroll bars, the caret, the sizing rules, closing, Input and Paste.
#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <future>
#include <thread>

#include "box_helpers.h"
#include "console/core/console.h"
#include "console/core/threads.h"
#include "console/window/frame.h"
#include "console/window/status_bar.h"
#include "console/window/text_window_widget.h"
#include "console/window/window_front_end.h"
#include "frame_fixture.h"
#include "registry.h"

using console::window::FrameWindow;
using console::window::TextSubWindow;
using console::window::TextWindowWidget;

using tavo::testing::grid;
using tavo::testing::on_program_thread;

namespace {

// A typed character that has no key of its own, as a keyboard layout delivers it.
void type_character(QWidget* widget, QChar c) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
  QCoreApplication::sendEvent(widget, &press);
}

}  // namespace

class TextWindowTest : public QObject, private tavo::testing::FrameFixture {
  Q_OBJECT

 private slots:
  void init() { set_up(); }
  void cleanup() { tear_down(); }

  void opensConfiguresAndWritesFromTheProgramThread() {
    const std::int32_t id = on_program_thread([this] {
      const std::int32_t id = console_->open_window(std::nullopt);
      console_->configure_window(id, grid(40, 10));
      console_->write_text(id, "hello\r\nworld\r\n" + std::string(30, 'M'));
      return id;
    });
    QCOMPARE(id, 1024);
    TextWindowWidget* text = widget(id);
    QVERIFY(text != nullptr);
    QCOMPARE(text->parentWidget()->windowTitle(), QString("Graphic1"));
    QCOMPARE(text->parentWidget()->objectName(), QString("tavoGraphic"));
    QCOMPARE(frame_->installed_menu_bar(), FrameWindow::Bar::Full);
    QCOMPARE(text->cell_size(), QSize(8, 16));  // the requested cell, from the mono face
    QCOMPARE(text->image_size(), QSize(320, 160));
    QCOMPARE(rows(id), (QStringList{"hello", "world", QString(30, 'M')}));
    // The text is in the image, each character in its own cell, the last one whole; black
    // beyond the text.
    const QImage image = text->snapshot();
    auto lit = [&image](int row, int column, int from_x = 0) {
      int n = 0;
      for (int y = (row - 1) * 16; y < row * 16; ++y)
        for (int x = (column - 1) * 8 + from_x; x < column * 8; ++x)
          n += qGray(image.pixel(x, y)) > 128 ? 1 : 0;
      return n;
    };
    QVERIFY(lit(1, 1) > 4);              // h
    QVERIFY(lit(2, 5) > 4);              // d
    QVERIFY(lit(1, 5, 4) > 2);           // the right half of the o
    QCOMPARE(lit(1, 6) + lit(2, 6), 0);  // nothing after
    // The same character looks the same in every cell: no drift along the line.
    QCOMPARE(image.copy(29 * 8, 32, 8, 16), image.copy(0, 32, 8, 16));
    QCOMPARE(image.pixel(300, 100), qRgb(0, 0, 0));
  }

  void typedLineAnswersTheReadWithItsEcho() {
    const std::int32_t id = open(grid(40, 10));
    TextWindowWidget* text = widget(id);
    auto read = std::async(std::launch::async, [this, id] { return read_line(id); });
    QTRY_COMPARE(console_->reading_window(), id);
    QTRY_COMPARE(frame_->status_bar()->message_text(), QString("Input pending in Graphic1"));
    QTRY_VERIFY(console_->menu().find(console::command::kInput)->enabled);
    QTest::keyClicks(text, "abc x");
    QTest::keyClick(text, Qt::Key_Backspace);
    QTest::keyClick(text, Qt::Key_Tab);
    QTest::keyClick(text, Qt::Key_Escape);  // Resume while running: the read stays pending
    QTest::keyClicks(text, "y");
    type_character(text, QChar(0xE7));
    QCOMPARE(console_->reading_window(), id);
    QTest::keyClick(text, Qt::Key_Return);
    QTRY_VERIFY(read.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QCOMPARE(read.get(), QByteArray("abc         y\xE7"));
    QCOMPARE(rows(id), (QStringList{QString::fromLatin1("abc         y\xE7")}));
    QTRY_COMPARE(frame_->status_bar()->message_text(), QString());
    QVERIFY(!console_->menu().find(console::command::kInput)->enabled);
  }

  void readOnTheGuiThreadRunsItsEventsMeanwhile() {
    const std::int32_t id = open(grid(20, 5));
    TextWindowWidget* text = widget(id);
    QTimer::singleShot(50, text, [text] {
      QTest::keyClicks(text, "gui");
      QTest::keyClick(text, Qt::Key_Return);
    });
    QCOMPARE(read_line(id), QByteArray("gui"));  // here, on the GUI thread
    QCOMPARE(rows(id), QStringList{"gui"});
  }

  void scrollBarsAreInPixelsWithCellLinesAndClientPages() {
    const std::int32_t id = open(grid(120, 60));  // 960 x 960, more than the area
    TextWindowWidget* text = widget(id);
    auto* sub = qobject_cast<TextSubWindow*>(text->parentWidget());
    sub->resize(400, 300);
    QScrollBar* h = text->horizontalScrollBar();
    QScrollBar* v = text->verticalScrollBar();
    const QSize client = text->viewport()->size();
    QCOMPARE(h->maximum(), 960 - client.width());
    QCOMPARE(v->maximum(), 960 - client.height());
    QCOMPARE(h->pageStep(), client.width());
    QCOMPARE(v->pageStep(), client.height());
    QCOMPARE(h->singleStep(), 8);
    QCOMPARE(v->singleStep(), 16);
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Right);
    QCOMPARE(h->value(), 8);
    QTest::keyClick(text, Qt::Key_Down);
    QCOMPARE(v->value(), 16);
    QTest::keyClick(text, Qt::Key_End);
    QCOMPARE(h->value(), h->maximum());
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(v->value(), v->maximum());
    QTest::keyClick(text, Qt::Key_PageUp);
    QCOMPARE(v->value(), v->maximum() - client.height());
    QTest::keyClick(text, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(h->value(), h->maximum() - client.width());
    QTest::keyClick(text, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(h->value(), 0);
    QCOMPARE(v->value(), 0);
    // A client within 2 pixels of the image needs no bar.
    sub->resize(sub->size() + QSize(960 - client.width() - 2, 0));
    QTRY_COMPARE(h->maximum(), 0);
  }

  void caretSitsAtThePositionMinusTheScrollOffsets() {
    const std::int32_t id = open(grid(120, 60));
    TextWindowWidget* text = widget(id);
    qobject_cast<TextSubWindow*>(text->parentWidget())->resize(400, 300);
    on_program_thread([this, id] { return console_->write_text(id, "abc\r\nde"); });
    text->setFocus();
    QTRY_VERIFY(text->hasFocus());
    QCOMPARE(text->caret_rect(), QRect(2 * 8, 16, 8, 16));
    text->horizontalScrollBar()->setValue(8);
    text->verticalScrollBar()->setValue(16);
    QCOMPARE(text->caret_rect(), QRect(8, 0, 8, 16));
    // No focus, no caret.
    frame_->client()->setFocus();
    QTRY_VERIFY(!text->hasFocus());
    QCOMPARE(text->caret_rect(), QRect());
  }

  void neverLargerThanItsImageAndMaximiseFitsIt() {
    const std::int32_t id = open(grid(20, 5));  // 160 x 80
    TextWindowWidget* text = widget(id);
    auto* sub = qobject_cast<TextSubWindow*>(text->parentWidget());
    QTRY_COMPARE(text->viewport()->size(), QSize(160, 80));  // sized to the content
    sub->resize(600, 400);
    QCOMPARE(text->viewport()->size(), QSize(160, 80));
    sub->move(100, 100);
    sub->showMaximized();
    QTRY_VERIFY(!sub->isMaximized());
    QTRY_COMPARE(sub->pos(), QPoint(0, 0));
    QCOMPARE(text->viewport()->size(), QSize(160, 80));
  }

  void closedOnlyAfterItsUnitIsClosed() {
    const std::int32_t id = open(grid(20, 5));
    QPointer<QMdiSubWindow> sub = sub_of(id);
    QVERIFY(!close_entry_visible(sub));
    QVERIFY(close_button(sub).isEmpty());
    sub->close();
    QVERIFY(sub->isVisible());
    QCOMPARE(on_program_thread([this, id] { return console_->close_unit_window(id, true); }), 0);
    QTRY_COMPARE(sub->windowTitle(), QString("Graphic1-Closed"));
    QVERIFY(close_entry_visible(sub));
    QVERIFY(!close_button(sub).isEmpty());
    sub->close();
    QTRY_VERIFY(sub.isNull());
    QCOMPARE(console_->windows().find(id), console::kInvalidWindow);  // the slot is free
  }

  void inputActivatesTheReadingWindow() {
    const std::int32_t first = open(grid(20, 5));
    const std::int32_t second = open(grid(20, 5));
    auto read = std::async(std::launch::async, [this, first] { return read_line(first); });
    QTRY_COMPARE(console_->reading_window(), first);
    frame_->client()->setActiveSubWindow(sub_of(second));
    QCOMPARE(frame_->client()->activeSubWindow(), sub_of(second));
    frame_->command(console::command::kInput);
    QTRY_COMPARE(frame_->client()->activeSubWindow(), sub_of(first));
    // Typing into the other window beeps and adds nothing.
    QTest::keyClicks(widget(second), "zz");
    QTest::keyClicks(widget(first), "ok");
    QTest::keyClick(widget(first), Qt::Key_Enter);
    QTRY_VERIFY(read.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QCOMPARE(read.get(), QByteArray("ok"));
  }

  void shiftInsertPastesLinesForTheReads() {
    const std::int32_t id = open(grid(20, 5));
    QGuiApplication::clipboard()->setText(QString::fromUtf8("um\ndois\xC3\xA7\n"));
    QTest::keyClick(widget(id), Qt::Key_Insert, Qt::ShiftModifier);
    QTRY_COMPARE(frame_->status_bar()->message_text(), QString("Paste input pending"));
    QCOMPARE(on_program_thread([this, id] { return read_line(id); }), QByteArray("um"));
    QCOMPARE(on_program_thread([this, id] { return read_line(id); }), QByteArray("dois\xE7"));
    QTRY_COMPARE(frame_->status_bar()->message_text(), QString());
  }

  void chooseFileIsTheOpenDialogWithTheTextFilters() {
    QTemporaryDir dir;
    const QString existing = dir.filePath("dados.txt");
    QFile(existing).open(QIODevice::WriteOnly);
    struct Seen {
      QString title;
      QStringList filters;
      QString filter;
    } seen;
    auto choose = [this] {
      std::string name;
      const bool chosen = front_->choose_file(name, "Open: Select File for Unit 3");
      return chosen ? QString::fromStdString(name) : QString("<none>");
    };
    // The dialog runs its own loop; a timer inside it picks the file.
    auto pick = [&seen](const QString& file) {
      auto* timer = new QTimer(qApp);
      QObject::connect(timer, &QTimer::timeout, [timer, file, &seen] {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* d = qobject_cast<QFileDialog*>(w); d != nullptr && d->isVisible()) dialog = d;
        }
        if (dialog == nullptr) return;
        timer->deleteLater();
        timer->stop();
        seen = {dialog->windowTitle(), dialog->nameFilters(), dialog->selectedNameFilter()};
        if (file.isEmpty()) {
          dialog->reject();
        } else {
          // selectFile leaves the name field alone while it has the focus (the user may type).
          if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
          dialog->selectFile(file);
          static_cast<QDialog*>(dialog)->accept();  // as the Open button does
        }
      });
      timer->start(10);
    };
    pick(existing);
    QCOMPARE(on_program_thread(choose), existing);
    QCOMPARE(seen.title, QString("Open: Select File for Unit 3"));
    QCOMPARE(seen.filters,
             (QStringList{"Text files(*.txt)", "Data Files(*.dat)", "All Files(*.*)"}));
    QCOMPARE(seen.filter, QString("Text files(*.txt)"));
    pick({});
    QCOMPARE(on_program_thread(choose), QString("<none>"));
    // A missing file is offered for creation.
    tavo::testing::SeenBox box;
    tavo::testing::answer_next_box(QMessageBox::Yes, &box);
    pick(dir.filePath("novo.dat"));
    QCOMPARE(on_program_thread(choose), dir.filePath("novo.dat"));
    QVERIFY(box.text.endsWith("Create the file?"));
  }

  void controlCIsTheExitCommand() {
    const std::int32_t id = open(grid(20, 5));
    QSignalSpy closing(frame_.get(), &FrameWindow::closing);
    QTest::keyClick(widget(id), Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE(closing.count(), 1);
  }

 private:
  // Where the caption's close button is, as the window's style lays the caption out.
  static QRect close_button(QMdiSubWindow* sub) {
    QStyleOptionTitleBar option;
    option.initFrom(sub);
    option.titleBarFlags = sub->windowFlags();
    option.rect = QRect(0, 0, sub->width(), 24);
    return sub->style()->subControlRect(QStyle::CC_TitleBar, &option,
                                        QStyle::SC_TitleBarCloseButton, sub);
  }
  static bool close_entry_visible(QMdiSubWindow* sub) {
    for (QAction* a : sub->systemMenu()->actions()) {
      if (a->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4))) return a->isVisible();
    }
    return false;
  }
};

static tavo::testing::RegisterTest<TextWindowTest> register_text_window_test;

#include "text_window_test.moc"
