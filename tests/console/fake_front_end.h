// Front ends that record what the library asks of them and answer boxes with a set answer.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "console/core/frontend.h"

namespace console::testing {

struct RecordedBox {
  std::string text;
  std::string caption;
  BoxKind kind;
};

// A front end without windows, as the terminal's: boxes, closes and waits are recorded.
class FakeFrontEnd : public FrontEnd {
 public:
  explicit FakeFrontEnd(BoxAnswer answer = BoxAnswer::Ok) : answer_(answer) {
    install_front_end(this);
  }
  ~FakeFrontEnd() override { install_front_end(nullptr); }

  std::string_view application_name() const override { return "tavo"; }
  bool shows_message_boxes() const override { return true; }
  BoxAnswer message_box(std::string_view text, std::string_view caption, BoxKind kind) override {
    std::lock_guard lock(mutex_);
    boxes.push_back({std::string(text), std::string(caption), kind});
    return answer_;
  }
  void post_close() override { ++closes; }
  void wait_for_close() override { ++waits; }

  std::vector<RecordedBox> boxes;
  int closes = 0;
  int waits = 0;

 protected:
  std::mutex mutex_;

 private:
  BoxAnswer answer_;
};

// A front end with windows: titles, status changes and closed windows are recorded, and each
// text window is configured as a grid of `columns` x `rows`.
class FakeWindowFrontEnd : public FakeFrontEnd, public WindowServices {
 public:
  explicit FakeWindowFrontEnd(BoxAnswer answer = BoxAnswer::Ok) : FakeFrontEnd(answer) {
    install_front_end(this);  // again, now that it is whole: with its window services
  }

  bool set_window_text(WindowHandle window, std::string_view text) override {
    titles.push_back({window, std::string(text)});
    return true;
  }
  void status_changed() override { ++status_changes; }
  int close_window(WindowHandle window, bool keep) override {
    closed_windows.push_back({window, keep});
    return 0;
  }
  WindowHandle open_text_window(std::shared_ptr<TextWindow> window, std::string_view title,
                                const Placement&) override {
    std::lock_guard lock(mutex_);
    WindowHandle handle{next_handle_++};
    windows[handle] = std::move(window);
    opened_titles.emplace_back(title);
    return handle;
  }
  bool configure_text_window(WindowHandle handle, const WindowConfig& config) override {
    std::shared_ptr<TextWindow> window;
    {
      std::lock_guard lock(mutex_);
      auto it = windows.find(handle);
      if (it == windows.end()) return false;
      window = it->second;
      ++configures;
    }
    const ResolvedConfig r = resolve_config(config, {columns * 8, rows * 16, 0, 0, 256}, nullptr);
    window->with_model([&](TextModel& model) { model.reset(r.geometry); });
    window->set_configured();
    return true;
  }
  void activate_window(WindowHandle) override { ++activations; }
  void beep() override { ++beeps; }
  bool choose_file(std::string& name, std::string_view title) override {
    std::lock_guard lock(mutex_);
    file_dialog_titles.emplace_back(title);
    if (chosen_file.empty()) return false;
    name = chosen_file;
    return true;
  }

  std::atomic<int> status_changes{0};
  std::vector<std::pair<WindowHandle, std::string>> titles;
  std::vector<std::pair<WindowHandle, bool>> closed_windows;

  int columns = 40;
  int rows = 10;
  std::map<WindowHandle, std::shared_ptr<TextWindow>> windows;
  std::vector<std::string> opened_titles;
  std::atomic<int> configures{0};
  std::atomic<int> activations{0};
  std::atomic<int> beeps{0};
  std::string chosen_file;
  std::vector<std::string> file_dialog_titles;

 private:
  std::intptr_t next_handle_ = 100;
};

}  // namespace console::testing
