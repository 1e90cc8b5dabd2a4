// A frame of its own for a test: a library, the window front end and the frame, with text windows
// opened and read from another thread (the program's) while the test's thread runs the events.
#pragma once

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <array>
#include <future>
#include <memory>

#include "console/core/console.h"
#include "console/core/threads.h"
#include "console/window/frame.h"
#include "console/window/status_bar.h"
#include "console/window/text_window_widget.h"
#include "console/window/window_front_end.h"

namespace tavo::testing {

inline console::WindowConfig grid(int columns, int rows) {
  console::WindowConfig config;
  config.columns = columns;
  config.rows = rows;
  return config;
}

// Runs `work` on another thread while this one keeps its events going.
template <typename F>
auto on_program_thread(F work) {
  auto result = std::async(std::launch::async, work);
  if (!QTest::qWaitFor(
          [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
          10000))
    qWarning("the program thread is still at work");
  return result.get();
}

template <typename T>
bool ready(const std::future<T>& f) {
  return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

class FrameFixture {
 public:
  void set_up() {
    console::set_gui_thread();
    console_ = std::make_unique<console::Console>();
    console_->begin_initialisation("tavo");
    front_ = std::make_unique<console::window::WindowFrontEnd>(*console_);
    frame_ = std::make_unique<console::window::FrameWindow>(*console_);
    front_->attach(frame_.get());
    frame_->resize(900, 640);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    previous_ = console::front_end();
    console::install_front_end(front_.get());
    console_->complete_initialisation(console::window::kFrameHandle);
  }
  void tear_down() {
    console::install_front_end(previous_);
    front_->detach();
    frame_.reset();
    front_.reset();
    console_.reset();
  }

  // Opens and configures a window from the program thread.
  std::int32_t open(const console::WindowConfig& config) {
    return on_program_thread([this, config] {
      const std::int32_t id = console_->open_window(std::nullopt);
      return console_->configure_window(id, config) == 1 ? id : -1;
    });
  }
  void write(std::int32_t id, const std::string& text) {
    on_program_thread([this, id, text] { return console_->write_text(id, text); });
  }
  QMdiSubWindow* sub_of(std::int32_t id) { return front_->child(console_->windows().find(id)); }
  console::window::TextWindowWidget* widget(std::int32_t id) {
    QMdiSubWindow* sub = sub_of(id);
    return sub == nullptr ? nullptr
                          : qobject_cast<console::window::TextWindowWidget*>(sub->widget());
  }
  QByteArray read_line(std::int32_t id) {
    std::array<char, 128> buffer;
    const int n = console_->read_line(id, buffer);
    return n < 0 ? QByteArray("<-1>") : QByteArray(buffer.data(), n);
  }
  // The window's rows as a copy gives them, trailing empty rows dropped.
  QStringList rows(std::int32_t id) {
    const std::string copy = console_->text_window(id)->with_model(
        [](console::TextModel& m) { return m.copy_text(1, 1, m.rows(), m.columns()); });
    QStringList lines =
        QString::fromLatin1(copy.data(), static_cast<qsizetype>(copy.size())).split("\r\n");
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }
  QString state_text() { return frame_->status_bar()->run_state_text(); }

  // The menu bar's popup titled `title`, refreshed as if it had just opened.
  QMenu* popup(const QString& title) {
    for (QAction* a : frame_->menuBar()->actions()) {
      if (a->menu() != nullptr && a->text() == title) {
        emit a->menu()->aboutToShow();
        return a->menu();
      }
    }
    return nullptr;
  }
  // The item that now carries `id` in the popup titled `title`.
  QAction* item(const QString& title, int id) {
    QMenu* menu = popup(title);
    if (menu == nullptr) return nullptr;
    for (QAction* a : menu->actions()) {
      if (a->data().toInt() == id) return a;
    }
    return nullptr;
  }

  std::unique_ptr<console::Console> console_;
  std::unique_ptr<console::window::WindowFrontEnd> front_;
  std::unique_ptr<console::window::FrameWindow> frame_;
  console::FrontEnd* previous_ = nullptr;
};

}  // namespace tavo::testing
