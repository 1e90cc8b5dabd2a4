// A front end that records what the library asks of it and answers boxes with a set answer.
#pragma once

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
  bool set_window_text(WindowHandle window, std::string_view text) override {
    titles.push_back({window, std::string(text)});
    return true;
  }
  void status_changed() override { ++status_changes; }
  int close_window(WindowHandle window, bool keep) override {
    closed_windows.push_back({window, keep});
    return 0;
  }

  std::vector<RecordedBox> boxes;
  int closes = 0;
  int waits = 0;
  int status_changes = 0;
  std::vector<std::pair<WindowHandle, std::string>> titles;
  std::vector<std::pair<WindowHandle, bool>> closed_windows;

 private:
  std::mutex mutex_;
  BoxAnswer answer_;
};

}  // namespace console::testing
