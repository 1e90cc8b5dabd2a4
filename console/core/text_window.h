// One text window as the library keeps it: the text model behind its DrawLock, the title, the
// closed flag, and the view (the toolkit side) that the model draws on. The library's window
// operations (library.h) find these records through the window table.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "console/core/safe_lock.h"
#include "console/core/text_model.h"

namespace console {

// The toolkit side of a text window: the model draws on it, and it repaints what changed.
// Every call comes under the window's DrawLock, from any thread, and must not block.
class TextView : public TextCanvas {
 public:
  // Output ended: the caret stands at the model's position now.
  virtual void text_written() = 0;
};

class TextWindow {
 public:
  TextWindow(std::int32_t id, std::string title) : id_(id), title_(std::move(title)) {}

  std::int32_t id() const { return id_; }

  // The DrawLock: around every change of the model and every drawing and painting. A pause never
  // stops a thread that holds it.
  SafeMutex& draw_lock() { return draw_lock_; }
  // The model; only under the DrawLock.
  TextModel& model() { return model_; }

  // Attaches the view the model draws on (nullptr detaches); takes the DrawLock.
  void attach_view(TextView* view);

  // Writes bytes, or one output record and its line end, under the DrawLock.
  void write(std::string_view bytes);
  void write_record(std::string_view record);
  // Backspace on the screen: false at the viewport's first cell.
  bool erase_back();
  bool cursor_at_first_cell();

  // Runs `f` on the model under the DrawLock.
  template <class F>
  auto with_model(F f) {
    std::lock_guard lock(draw_lock_);
    return f(model_);
  }

  std::string title() const;
  void set_title(std::string title);

  // Configured (the model has cells): set by the front end when it rebuilds the image.
  bool configured() const { return configured_.load(); }
  void set_configured() { configured_.store(true); }
  // The unit was closed or the program ended: the user may close it, reads give -1.
  bool closed() const { return closed_.load(); }
  void set_closed() { closed_.store(true); }

 private:
  void written();

  const std::int32_t id_;
  SafeMutex draw_lock_;
  TextModel model_;
  TextView* view_ = nullptr;
  mutable SafeMutex title_mutex_;
  std::string title_;
  std::atomic<bool> configured_{false};
  std::atomic<bool> closed_{false};
};

// How a window is placed when it opens.
struct Placement {
  static constexpr int kUseDefault = INT32_MIN;
  enum Kind : int { kMinimised = 1, kMaximised = 2, kExplicit = 4 };
  int kind = kExplicit;
  int x = kUseDefault;
  int y = kUseDefault;
  int width = kUseDefault;
  int height = kUseDefault;
};

// A Configure window request; -1 leaves a value to its default.
struct WindowConfig {
  int pixel_width = -1;
  int pixel_height = -1;
  int columns = -1;
  int rows = -1;
  int colours = -1;
  int cell_width = -1;
  int cell_height = -1;
  std::optional<std::string> title;
  std::optional<std::string> face;  // "Courier New" when none
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

struct CellSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const CellSize&, const CellSize&) = default;
};

// What the display offers a configuration.
struct DisplayMetrics {
  int screen_width = 0;
  int screen_height = 0;
  int min_window_width = 0;
  int min_window_height = 0;
  int colours = 16;
};

// The cell a font gives: the requested one while the font's average width is within -2..+1 and
// its height within +-2 of it (output then keeps the requested grid), else the font's own.
CellSize matched_cell(CellSize requested, CellSize font);

struct ResolvedConfig {
  TextGeometry geometry;
  int colours = 16;
  CellSize font_request;  // the cell the font was created for
};
// Defaults and derived values of a request: cell 8 x 16, the screen's size, the grid from the
// size or the size from the grid, at least the minimum window size, colours at most the
// screen's. `font_cell` creates the font for a requested cell and returns the cell it gives
// (matched_cell); when that differs the computation is redone once with it.
ResolvedConfig resolve_config(const WindowConfig& request, const DisplayMetrics& display,
                              const std::function<CellSize(CellSize)>& font_cell);

}  // namespace console
