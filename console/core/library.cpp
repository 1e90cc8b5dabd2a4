#include "console/core/library.h"

#include <unistd.h>

#include <array>

#include "console/core/cp1252.h"
#include "console/core/diagnostic.h"
#include "console/core/threads.h"

namespace console {

std::string application_name_from_path(std::string_view executable_path) {
  std::string_view name = executable_path;
  if (std::size_t slash = name.rfind('/'); slash != std::string_view::npos)
    name.remove_prefix(slash + 1);
  if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos && dot != 0)
    name = name.substr(0, dot);
  if (name.empty()) return "Panelkit";
  return cp1252::from_utf8(name);
}

std::string read_application_name() {
  std::array<char, 4096> buffer;
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) == buffer.size()) return "Panelkit";
  return application_name_from_path(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

bool Library::begin_initialisation(std::string application_name) {
  if (initialising_.exchange(true)) {
    raise_diagnostic(DiagnosticKind::Warning, diagnostic::kInconsistency, Module::pkginit,
                     __LINE__);
    return false;
  }
  application_name_ = std::move(application_name);
  return true;
}

void Library::complete_initialisation(WindowHandle frame) {
  frame_.store(frame);
  initialised_.store(true);
}

std::string Library::class_name(std::string_view suffix) const {
  return application_name_ + std::string(suffix);
}

WindowHandle Library::window_handle(std::int32_t code) const {
  if (!initialised()) return kNoWindow;
  if (static_cast<std::uint32_t>(code) == kFrameWindowCode) return frame_.load();
  return windows_.find(code);
}

bool Library::set_window_text(WindowHandle window, std::string_view text) {
  WindowServices* windows = front_end_windows();
  if (!initialised() || windows == nullptr || window == kNoWindow || window == kInvalidWindow)
    return false;
  return windows->set_window_text(window, text);
}

void Library::notify_status() const {
  if (WindowServices* windows = front_end_windows()) windows->status_changed();
}

int Library::set_run_state(int state) {
  int result = run_control_.set_state(state);
  if (result == 1) {
    {
      std::lock_guard lock(menu_mutex_);
      menu_.show_run_state(run_control_.state());
    }
    notify_status();
  }
  return result;
}

void Library::finish_run() {
  run_control_.finish();
  // Every window may now be closed by the user.
  for (std::int32_t id = WindowTable::kFirstId; id <= WindowTable::kLastId; ++id) {
    if (std::shared_ptr<TextWindow> record = windows_.record(id)) record->set_closed();
  }
  {
    std::lock_guard lock(menu_mutex_);
    menu_.set_program_items_enabled(false);
  }
  notify_status();
}

PauseStep Library::pause() {
  PauseStep step = run_control_.pause();
  if (step == PauseStep::SuspendProgram) {
    {
      std::lock_guard lock(menu_mutex_);
      menu_.show_run_state(RunState::Paused);
      menu_.set_program_items_enabled(false);
    }
    notify_status();
  }
  return step;
}

void Library::pause_done() {
  run_control_.pause_done();
}

ResumeStep Library::resume() {
  ResumeStep step = run_control_.resume();
  if (step == ResumeStep::ResumeProgram) {
    {
      std::lock_guard lock(menu_mutex_);
      menu_.show_run_state(RunState::Running);
      menu_.set_program_items_enabled(true);
    }
    notify_status();
  }
  return step;
}

int Library::set_status_message(std::optional<std::string_view> text) {
  status_message_.set(text);
  notify_status();
  return 1;
}

void Library::lock_status_prompt(std::string_view prompt) {
  status_message_.lock_prompt(prompt);
  notify_status();
}

void Library::remove_status_prompt() {
  status_message_.remove_prompt();
  notify_status();
}

int Library::show_status_line(int on) {
  if (on != 0 && on != 1) return 0;
  status_line_visible_.store(on == 1);
  set_menu_item_checked(command::kStatusBar, on == 1);
  notify_status();
  return 1;
}

MenuBarModel Library::menu() const {
  std::lock_guard lock(menu_mutex_);
  return menu_;
}

bool Library::set_menu_item_enabled(int id, bool enabled) {
  std::lock_guard lock(menu_mutex_);
  return menu_.set_enabled(id, enabled);
}

bool Library::set_menu_item_checked(int id, bool checked) {
  std::lock_guard lock(menu_mutex_);
  return menu_.set_checked(id, checked);
}

MenuContext Library::menu_context() const {
  MenuContext context;
  context.run_state = run_state();
  context.status_line_visible = status_line_visible();
  return context;
}

void Library::apply_menu_context(const MenuContext& context) {
  std::lock_guard lock(menu_mutex_);
  menu_.apply(context);
}

int Library::close_unit_window(std::int32_t id, bool keep) {
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

Library& library() {
  static Library instance;
  return instance;
}

}  // namespace console
