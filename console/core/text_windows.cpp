// The library's text-window operations: open, configure, write, read a line, paste, the
// default console window.
#include <algorithm>
#include <cstring>

#include "console/core/library.h"
#include "console/core/threads.h"

namespace console {
namespace {

constexpr std::string_view kInputPending = "Input pending in ";
constexpr std::string_view kPastePending = "Paste input pending";

}  // namespace

std::int32_t Library::open_window(std::optional<std::string_view> title,
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

int Library::configure_window(std::int32_t id, const WindowConfig& config) {
  const WindowHandle handle = windows_.find(id);
  std::shared_ptr<TextWindow> record = windows_.record(id);
  WindowServices* services = front_end_windows();
  if (record == nullptr || services == nullptr || !services->configure_text_window(handle, config))
    return 0;
  if (config.title) record->set_title(*config.title);
  return 1;
}

std::shared_ptr<TextWindow> Library::output_window(std::int32_t id) {
  if (windows_.find(id) == kInvalidWindow) return nullptr;
  std::shared_ptr<TextWindow> record = windows_.record(id);
  if (record == nullptr) {
    if (FrontEnd* fe = front_end())
      fe->message_box("InvalidHandle", "ERROR", BoxKind::RuntimeError);
    return nullptr;
  }
  if (!record->configured() && configure_window(id, {}) == 0 && configure_window(id, {}) == 0)
    return nullptr;
  return record;
}

int Library::write_text(std::int32_t id, std::string_view bytes) {
  std::shared_ptr<TextWindow> window = output_window(id);
  if (window == nullptr) return -1;
  ThreadRecord& thread = thread_record();
  const std::int32_t previous = thread.current_window();
  thread.set_current_window(id);
  window->write(bytes);
  thread.set_current_window(previous);
  return static_cast<int>(bytes.size());
}

int Library::write_record(std::int32_t id, std::string_view record) {
  std::shared_ptr<TextWindow> window = output_window(id);
  if (window == nullptr) return -1;
  ThreadRecord& thread = thread_record();
  const std::int32_t previous = thread.current_window();
  thread.set_current_window(id);
  window->write_record(record);
  thread.set_current_window(previous);
  return static_cast<int>(record.size());
}

std::int32_t Library::reading_window() const {
  std::lock_guard lock(input_mutex_);
  return reading_window_;
}

bool Library::paste_pending() const {
  std::lock_guard lock(input_mutex_);
  return paste_.pending();
}

void Library::paste_taken(bool finished) {
  if (!finished) return;
  set_status_message(std::nullopt);
  set_menu_item_enabled(command::kClearPaste, false);
}

int Library::read_line(std::int32_t id, std::span<char> buffer) {
  std::shared_ptr<TextWindow> window = windows_.record(id);
  if (window == nullptr || window->closed()) return -1;
  if (!window->configured() && configure_window(id, {}) == 0 && configure_window(id, {}) == 0)
    return -1;
  const std::size_t count = buffer.size();
  std::string line;
  std::string echo;
  bool finished = false;
  bool paste_finished = false;
  {
    std::lock_guard lock(input_mutex_);
    if (line_input_.take_leftover(count, line)) {
      std::memcpy(buffer.data(), line.data(), line.size());
      return static_cast<int>(line.size());
    }
    if (reading_window_ != 0) return -1;  // one read at a time
    line_input_.begin_line();
    reading_window_ = id;
    input_signalled_ = false;
    read_ended_ = false;
    if (paste_.pending()) {
      echo = line_input_.continue_from_paste(count, paste_).text;
      paste_finished = !paste_.pending();
    }
    finished = line_input_.finished();
  }
  if (!echo.empty()) window->write(echo);
  paste_taken(paste_finished);

  bool ended = false;
  if (!finished) {
    lock_status_prompt(std::string(kInputPending) + window->title());
    set_menu_item_enabled(command::kInput, true);
    GuiThread* gui = front_end_gui_thread();
    const bool nested = on_gui_thread();
    for (;;) {
      auto signalled = [this] { return input_signalled_ || read_ended_; };
      std::unique_lock lock(input_mutex_);
      if (nested) {
        // The GUI thread itself reads: its events run until the line is in.
        lock.unlock();
        if (gui != nullptr) {
          gui->wait_on_gui_thread([this, signalled] {
            std::lock_guard inner(input_mutex_);
            return signalled();
          });
        }
        lock.lock();
        if (!signalled()) read_ended_ = true;  // the event loop is gone
      } else {
        input_event_.wait(lock, signalled);
      }
      input_signalled_ = false;
      if (read_ended_) {
        ended = true;
        break;
      }
      if (line_input_.finished()) break;
      if (!paste_.pending()) continue;
      // A paste arrived: the line goes on with the pasted text.
      echo = line_input_.continue_from_paste(count, paste_).text;
      paste_finished = !paste_.pending();
      const bool done = line_input_.finished();
      lock.unlock();
      if (!echo.empty()) window->write(echo);
      paste_taken(paste_finished);
      if (done) break;
    }
    remove_status_prompt();
    set_menu_item_enabled(command::kInput, false);
  }

  std::lock_guard lock(input_mutex_);
  reading_window_ = 0;
  if (ended) {
    line_input_.begin_line();
    return -1;
  }
  line = line_input_.deliver(count);
  std::memcpy(buffer.data(), line.data(), line.size());
  return static_cast<int>(line.size());
}

void Library::end_read(std::int32_t id) {
  std::lock_guard lock(input_mutex_);
  if (reading_window_ != id) return;
  read_ended_ = true;
  input_event_.notify_all();
}

void Library::edit_line(TextWindow& window, unsigned char c) {
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

void Library::paste(std::string text) {
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
  set_status_message(kPastePending);
  set_menu_item_enabled(command::kClearPaste, true);
}

void Library::clear_paste() {
  {
    std::lock_guard lock(input_mutex_);
    paste_.clear();
  }
  set_status_message(std::nullopt);
  set_menu_item_enabled(command::kClearPaste, false);
}

std::int32_t Library::default_console_window() {
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

void Library::window_destroyed(WindowHandle window) {
  const std::int32_t id = windows_.id_of(window);
  if (id < 0) return;
  if (std::shared_ptr<TextWindow> record = windows_.record(id)) record->set_closed();
  end_read(id);
  windows_.remove(id);
}

bool Library::choose_file(std::string& name, std::string_view title) {
  WindowServices* services = front_end_windows();
  return services != nullptr && services->choose_file(name, title);
}

}  // namespace console
