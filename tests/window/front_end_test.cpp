// The window front end: boxes asked for from another thread, the caption, the status line, the
// close request and closing a unit's window.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <thread>

#include "box_helpers.h"
#include "console/core/console.h"
#include "console/core/program_end.h"
#include "console/core/threads.h"
#include "console/window/frame.h"
#include "console/window/status_bar.h"
#include "console/window/window_front_end.h"
#include "registry.h"

using console::BoxAnswer;
using console::BoxKind;
using console::Console;
using console::window::FrameWindow;
using console::window::WindowFrontEnd;
using tavo::testing::answer_next_box;
using tavo::testing::SeenBox;

namespace {

// Runs `work` on another thread while this (GUI) thread keeps its events going.
class Worker {
 public:
  template <typename F>
  explicit Worker(F work)
      : thread_([this, work] {
          work();
          done_.store(true);
        }) {}
  ~Worker() { finish(); }
  bool finish(int ms = 5000) {
    bool ok = QTest::qWaitFor([this] { return done_.load(); }, ms);
    if (thread_.joinable() && ok) thread_.join();
    return ok;
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace

class FrontEndTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    console::set_gui_thread();
    console_ = std::make_unique<Console>();
    console_->begin_initialisation("tavo");
    front_ = std::make_unique<WindowFrontEnd>(*console_);
    frame_ = std::make_unique<FrameWindow>(*console_);
    front_->attach(frame_.get());
    frame_->show();
  }
  void cleanup() {
    front_->detach();
    frame_.reset();
    front_.reset();
    console_.reset();
  }

  void exitPromptFromTheProgramThread() {
    std::atomic<BoxAnswer> answer{BoxAnswer::Cancel};
    SeenBox box;
    answer_next_box(QMessageBox::Yes, &box);
    Worker worker([&] {
      answer = front_->message_box(console::exit_prompt_text(3), "tavo", BoxKind::ExitPrompt);
    });
    QVERIFY(worker.finish());
    QCOMPARE(answer.load(), BoxAnswer::Yes);
    QVERIFY(box.seen);
    QCOMPARE(box.text, QString("Program Terminated with exit code 3\nExit Window?"));
    QCOMPARE(box.title, QString("tavo"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.default_button, QMessageBox::No);
    QCOMPARE(box.modality, Qt::ApplicationModal);
    QCOMPARE(box.owner, frame_.get());

    // The other answer.
    answer_next_box(QMessageBox::No, &box);
    Worker second([&] {
      answer = front_->message_box(console::exit_prompt_text(1), "tavo", BoxKind::ExitPrompt);
    });
    QVERIFY(second.finish());
    QCOMPARE(answer.load(), BoxAnswer::No);
  }

  void runtimeErrorBoxInCodePage1252() {
    std::atomic<BoxAnswer> answer{BoxAnswer::Cancel};
    SeenBox box;
    answer_next_box(QMessageBox::Ok, &box);
    Worker worker([&] {
      answer =
          front_->message_box("lumrtl: severe (29): file not found, unit 7, file /tmp/\xE9t\xE9",
                              "Lumetra run-time error ", BoxKind::RuntimeError);
    });
    QVERIFY(worker.finish());
    QCOMPARE(answer.load(), BoxAnswer::Ok);
    QVERIFY(box.seen);
    QCOMPARE(box.text, QString::fromUtf8("lumrtl: severe (29): file not found, unit 7, file "
                                         "/tmp/\xC3\xA9t\xC3\xA9"));
    QCOMPARE(box.title, QString("Lumetra run-time error "));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::Ok);
  }

  void captionAndStatusFromAnotherThread() {
    Worker worker([&] {
      front_->set_window_text(console::window::kFrameHandle, "TAVO 1.0 - Tavorama \x80");
      console_->set_status_message("Paste input pending");
      front_->status_changed();
    });
    QVERIFY(worker.finish());
    QTRY_COMPARE(frame_->windowTitle(), QString::fromUtf8("TAVO 1.0 - Tavorama \xE2\x82\xAC"));
    QTRY_COMPARE(frame_->status_bar()->message_text(), QString("Paste input pending"));
    QVERIFY(!front_->set_window_text(console::WindowHandle{99}, "x"));
  }

  void closeRequestReleasesTheWaitForClose() {
    std::atomic<bool> released{false};
    Worker waiter([&] {
      front_->wait_for_close();
      released = true;
    });
    QTest::qWait(50);
    QVERIFY(!released);
    Worker closer([&] { front_->post_close(); });
    QVERIFY(closer.finish());
    QVERIFY(waiter.finish());
    QVERIFY(released);
    QVERIFY(!frame_->isVisible());
  }

  void closingUnitWindows() {
    auto* kept = frame_->client()->addSubWindow(new QWidget);
    kept->setWindowTitle("Unit 5");
    auto* dropped = frame_->client()->addSubWindow(new QWidget);
    QPointer<QMdiSubWindow> dropped_ptr = dropped;
    const console::WindowHandle kept_handle = front_->register_child(kept);
    const console::WindowHandle dropped_handle = front_->register_child(dropped);
    QVERIFY(kept_handle != dropped_handle);
    int results[3] = {};
    Worker worker([&] {
      results[0] = front_->close_window(kept_handle, true);
      results[1] = front_->close_window(dropped_handle, false);
      results[2] = front_->close_window(console::WindowHandle{4242}, true);
    });
    QVERIFY(worker.finish());
    QCOMPARE(results[0], 0);
    QCOMPARE(results[1], 0);
    QCOMPARE(results[2], -1);
    QTRY_COMPARE(kept->windowTitle(), QString("Unit 5-Closed"));
    QVERIFY(kept->property("closed").toBool());
    QTRY_VERIFY(dropped_ptr.isNull());
  }

 private:
  std::unique_ptr<Console> console_;
  std::unique_ptr<WindowFrontEnd> front_;
  std::unique_ptr<FrameWindow> frame_;
};

static tavo::testing::RegisterTest<FrontEndTest> register_front_end_test;

#include "front_end_test.moc"
