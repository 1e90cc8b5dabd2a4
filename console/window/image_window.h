// An MDI child that shows a backing image (a text window's, or any other picture a window keeps)
// and carries out the menu commands that act on the active window: Print, Save, Select Text,
// Select Graphics, Select All and Copy, Size To Fit, Full Screen, Pause and Resume, and Input,
// Paste and Clear Paste. A subclass owns the image and its DrawLock, and says whether the window
// holds text; everything else comes from here.
//
// All of it runs on the GUI thread. The image is read only under the DrawLock, which other
// threads hold while they draw; commands that need the image take a copy (snapshot()).
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>
#include <QStringList>

#include <string>

#include "console/core/console.h"
#include "console/core/safe_lock.h"
#include "console/core/selection.h"
#include "console/window/child_window.h"
#include "console/window/full_screen.h"

namespace console::window {

class ImageWindow : public QAbstractScrollArea, public ChildWindow {
  Q_OBJECT

 public:
  explicit ImageWindow(Console& console, QWidget* parent = nullptr);
  ~ImageWindow() override;

  // The window's DrawLock, and its image: read only under that lock.
  virtual SafeMutex& draw_lock() const = 0;
  virtual const QImage& image() const = 0;
  // The cell that text selections and the selection keys step by.
  virtual QSize cell_size() const { return {8, 16}; }
  // A window that holds text selects cells for Select Text and Select All, and Copy gives their
  // text; any other selects pixels, and Copy gives a bitmap.
  virtual bool holds_text() const { return false; }
  // The text of a range of cells, as Copy puts it on the clipboard (code page 1252).
  virtual std::string text_of(const TextRange& /*range*/) const { return {}; }

  // The Save dialog's filters, the first selected: "Bitmap Files(*.bmp)" and "All Files(*.*)",
  // both written as a bitmap file. A subclass may add its own, which save_as() writes.
  virtual QStringList save_filters() const;
  // Writes the image to `path` for a filter that a subclass added to save_filters(): false when
  // that failed (the library's error 5 follows). Never called for the two bitmap filters.
  virtual bool save_as(const QString& /*filter*/, const QString& /*path*/) { return false; }

  // A copy of the image, taken under the DrawLock.
  QImage snapshot() const;
  QSize image_size() const;

  // The title without the selection's prefix; setting it keeps the prefix while selecting.
  QString plain_title() const;
  void set_plain_title(const QString& title);

  bool size_to_fit() const { return fit_; }
  const Selection& selection() const { return selection_; }
  // The full-screen view while it is shown, else nullptr.
  FullScreenView* full_screen_view() const { return full_.data(); }

  // ChildWindow. Exit goes to the frame; the frame's own commands are not handled here.
  void command(int id) override;
  void init_menu(Console& console) override;

  // Leaves the full-screen view (Alt+Enter or a click there, or Full Screen again).
  void leave_full_screen();

 protected:
  // `area` of the image changed (GUI thread): repaints it here and in the full-screen view.
  void image_changed(const QRect& area);
  // The image was replaced: the scroll bars follow it.
  void image_replaced();
  QPoint scroll_offset() const;
  // Arrow and page keys while a selection is active extend it: true when the key was taken.
  bool selection_key(int qt_key, Qt::KeyboardModifiers modifiers);
  // Painted over the image in the viewport (the caret of a text window); not while fitted.
  virtual void paint_over(QPainter& /*painter*/, const QRect& /*target*/) {}

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

  Console& console_;

 private:
  enum class Extent { Marked, All };
  // Selection and Copy (image_window_selection.cpp).
  void pause();
  void resume();
  void begin_selection(SelectionMode mode, Extent extent);
  void copy();
  void end_selection();
  void show_selection_title();
  void selection_moved(MouseAction action);
  void keep_caret_visible();
  QPoint image_point(const QPoint& viewport_point) const;
  void paint_selection(QPainter& painter);

  void update_scroll_bars();
  void toggle_size_to_fit();
  void enter_full_screen();
  void save();
  void print();

  Selection selection_;
  QString plain_title_;  // while selecting
  bool fit_ = false;
  QPointer<FullScreenView> full_;
};

}  // namespace console::window
