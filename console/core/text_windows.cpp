#include "console/core/text_windows.h"

#include <cstring>

#include "console/core/frontend.h"
#include "console/core/threads.h"

namespace console {
namespace {

constexpr std::string_view kInputPending = "Input pending in ";
constexpr std::string_view kPastePending = "Paste input pending";

int copy_line(const std::string& line, std::span<char> buffer) {
  std::memcpy(buffer.data(), line.data(), line.size());
  return static_cast<int>(line.size());
}

}  // namespace

std::int32_t TextWindows::open_window(std::optional<std::string_view> title,
                                      const Placement& placement) {
  if (placement.kind != Placement::kMinimised && placement.kind != Placement::kMaximised &&
      placement.kind != Placement::kExplicit)
    return -1;
  WindowServices* services = front_end_windows();
  if (services == nullptr) return -1;
  std::lock_guard open(open_mutex_);
  const std::int32_t id = windows_.reserve();
  if (id < 0) return -1;
  std::string name =
      title ? std::string(*title) : "Graphic" + std::to_string(id - WindowTable::kFirstId + 1);
  auto record = std::make_shared<TextWindow>(id, name);
  const WindowHandle handle = services->open_text_window(record, name, placement);
  if (handle == kNoWindow || handle == kInvalidWindow) {
    windows_.release(id);
    return -1;
  }
  windows_.fill(id, handle, std::move(record));
  return id;
}

int TextWindows::configure_window(std::int32_t id, const WindowConfig& config) {
  const WindowHandle handle = windows_.find(id);
  std::shared_ptr<TextWindow> record = windows_.record(id);
  WindowServices* services = front_end_windows();
  if (record == nullptr || services == nullptr || !services->configure_text_window(handle, config))
    return 0;
  if (config.title) record->set_title(*config.title);
  return 1;
}

void TextWindows::activate_window(std::int32_t id) {
  if (WindowServices* services = front_end_windows()) services->activate_window(windows_.find(id));
}

bool TextWindows::configured_on_first_use(std::int32_t id, const TextWindow& window) {
  return window.configured() || configure_window(id, {}) != 0 || configure_window(id, {}) != 0;
}

std::shared_ptr<TextWindow> TextWindows::output_window(std::int32_t id) {
  if (windows_.find(id) == kInvalidWindow) return nullptr;
  std::shared_ptr<TextWindow> record = windows_.record(id);
  if (record == nullptr) {
    if (FrontEnd* fe = front_end())
      fe->message_box("InvalidHandle", "ERROR", BoxKind::RuntimeError);
    return nullptr;
  }
  if (!configured_on_first_use(id, *record)) return nullptr;
  return record;
}

int TextWindows::write_as_current(std::int32_t id, std::string_view bytes,
                                  void (TextWindow::*write)(std::string_view)) {
  std::shared_ptr<TextWindow> window = output_window(id);
  if (window == nullptr) return -1;
  ThreadRecord& thread = thread_record();
  const std::int32_t previous = thread.current_window();
  thread.set_current_window(id);
  ((*window).*write)(bytes);
  thread.set_current_window(previous);
  return static_cast<int>(bytes.size());
}

int TextWindows::write_text(std::int32_t id, std::string_view bytes) {
  return write_as_current(id, bytes, &TextWindow::write);
}

int TextWindows::write_record(std::int32_t id, std::string_view record) {
  return write_as_current(id, record, &TextWindow::write_record);
}

std::int32_t TextWindows::reading_window() const {
  std::lock_guard lock(input_mutex_);
  return reading_window_;
}

bool TextWindows::paste_pending() const {
  std::lock_guard lock(input_mutex_);
  return paste_.pending();
}

// A read starts from what an earlier line left over; else, one at a time, from the paste queue
// and then the keyboard, until the line is finished or the window ends it.
int TextWindows::read_line(std::int32_t id, std::span<char> buffer) {
  std::shared_ptr<TextWindow> window = windows_.record(id);
  if (window == nullptr || window->closed() || !configured_on_first_use(id, *window)) return -1;
  const std::size_t count = buffer.size();
  PasteTake start;
  {
    std::lock_guard lock(input_mutex_);
    std::string leftover;
    if (line_input_.take_leftover(count, leftover)) return copy_line(leftover, buffer);
    if (reading_window_ != 0) return -1;  // one read at a time
    line_input_.begin_line();
    reading_window_ = id;
    input_signalled_ = false;
    read_ended_ = false;
    start = take_paste(count);
  }
  show_pasted(*window, start);
  const bool ended = !start.line_finished && !wait_for_line(*window, count);

  std::lock_guard lock(input_mutex_);
  reading_window_ = 0;
  if (ended) {
    line_input_.begin_line();
    return -1;
  }
  return copy_line(line_input_.deliver(count), buffer);
}

TextWindows::PasteTake TextWindows::take_paste(std::size_t count) {
  PasteTake take;
  if (paste_.pending()) {
    take.echo = line_input_.continue_from_paste(count, paste_).text;
    take.paste_finished = !paste_.pending();
  }
  take.line_finished = line_input_.finished();
  return take;
}

void TextWindows::show_pasted(TextWindow& window, const PasteTake& take) {
  if (!take.echo.empty()) window.write(take.echo);
  if (!take.paste_finished) return;
  status_.set_status_message(std::nullopt);
  status_.set_menu_item_enabled(command::kClearPaste, false);
}

bool TextWindows::wait_for_line(TextWindow& window, std::size_t count) {
  status_.lock_status_prompt(std::string(kInputPending) + window.title());
  status_.set_menu_item_enabled(command::kInput, true);
  bool finished = false;
  for (;;) {
    std::unique_lock lock(input_mutex_);
    wait_for_signal(lock);
    input_signalled_ = false;
    if (read_ended_) break;
    finished = line_input_.finished();
    if (finished) break;
    if (!paste_.pending()) continue;
    // A paste arrived: the line goes on with the pasted text.
    const PasteTake take = take_paste(count);
    lock.unlock();
    show_pasted(window, take);
    finished = take.line_finished;
    if (finished) break;
  }
  status_.remove_status_prompt();
  status_.set_menu_item_enabled(command::kInput, false);
  return finished;
}

void TextWindows::wait_for_signal(std::unique_lock<SafeMutex>& lock) {
  auto signalled = [this] { return input_signalled_ || read_ended_; };
  if (!on_gui_thread()) {
    input_event_.wait(lock, signalled);
    return;
  }
  // The GUI thread itself reads: its events run until the line is in.
  lock.unlock();
  if (GuiThread* gui = front_end_gui_thread()) {
    gui->wait_on_gui_thread([this, signalled] {
      std::lock_guard inner(input_mutex_);
      return signalled();
    });
  }
  lock.lock();
  if (!signalled()) read_ended_ = true;  // the event loop is gone
}

void TextWindows::end_read(std::int32_t id) {
  std::lock_guard lock(input_mutex_);
  if (reading_window_ != id) return;
  read_ended_ = true;
  input_event_.notify_all();
}

void TextWindows::edit_line(TextWindow& window, unsigned char c) {
  const CursorAtFirstCell at =
      window.cursor_at_first_cell() ? CursorAtFirstCell::Yes : CursorAtFirstCell::No;
  LineEdit edit;
  {
    std::lock_guard lock(input_mutex_);
    if (reading_window_ != window.id()) {
      edit.beep = true;
    } else {
      edit = line_input_.type(c, at);
      if (edit.finish) {
        input_signalled_ = true;
        input_event_.notify_all();
      }
    }
  }
  if (edit.erase) window.erase_back();
  if (!edit.echo.empty()) window.write(edit.echo);
  if (edit.beep) {
    if (WindowServices* services = front_end_windows()) services->beep();
  }
}

void TextWindows::paste(std::string text) {
  bool pending;
  {
    std::lock_guard lock(input_mutex_);
    paste_.fill(std::move(text));
    pending = paste_.pending();
    if (pending && reading_window_ != 0) {
      input_signalled_ = true;
      input_event_.notify_all();
    }
  }
  if (!pending) return;
  status_.set_status_message(kPastePending);
  status_.set_menu_item_enabled(command::kClearPaste, true);
}

void TextWindows::clear_paste() {
  {
    std::lock_guard lock(input_mutex_);
    paste_.clear();
  }
  status_.set_status_message(std::nullopt);
  status_.set_menu_item_enabled(command::kClearPaste, false);
}

std::int32_t TextWindows::default_console_window() {
  ThreadRecord& thread = thread_record();
  std::lock_guard lock(default_mutex_);
  const std::int32_t remembered = thread.default_window();
  if (remembered != 0) {
    std::shared_ptr<TextWindow> record = windows_.record(remembered);
    if (record != nullptr && !record->closed()) return remembered;
  }
  const std::int32_t id = open_window(std::nullopt);
  if (id < 0) return -1;
  if (configure_window(id, {}) == 0 && configure_window(id, {}) == 0) return -1;
  thread.set_default_window(id);
  return id;
}

int TextWindows::close_unit_window(std::int32_t id, bool keep) {
  WindowHandle window = windows_.find(id);
  if (window == kInvalidWindow) return -1;
  WindowServices* services = front_end_windows();
  if (services == nullptr || services->close_window(window, keep) != 0) return -1;
  if (std::shared_ptr<TextWindow> record = windows_.record(id)) {
    record->set_closed();
    if (keep) record->set_title(record->title() + "-Closed");
    end_read(id);
    ThreadRecord& thread = thread_record();
    if (thread.current_window() == id)
      thread.set_current_window(thread.default_window() != 0 ? thread.default_window()
                                                             : WindowTable::kFirstId);
  }
  if (!keep) windows_.remove(id);
  return 0;
}

void TextWindows::window_destroyed(WindowHandle window) {
  const std::int32_t id = windows_.id_of(window);
  if (id < 0) return;
  if (std::shared_ptr<TextWindow> record = windows_.record(id)) record->set_closed();
  end_read(id);
  windows_.remove(id);
}

}  // namespace console
