// A text window on the desktop: the MDI child that shows a console unit's text model from a
// QImage backing store, with the caret and the keyboard input of a console read; scrolling,
// painting and the menu commands come with ImageWindow. The model draws into the image from
// whichever thread writes, under the window's DrawLock, and asks for a repaint through the GUI
// mailbox; the widget paints from the image on the GUI thread under the same lock. Nothing of the
// toolkit runs off the GUI thread.
#pragma once

#include <QImage>
#include <QMdiSubWindow>

#include <memory>

#include "console/core/console.h"
#include "console/core/line_input.h"
#include "console/core/text_window.h"
#include "console/window/backing_image.h"
#include "console/window/image_window.h"

class QTimer;

namespace console::window {

class GuiMailbox;

// The MDI child frame of a text window (or of any image window). Its Close entry (and the separator
// before it) is out of the system menu, and close requests are ignored, until allow_close(). It is
// never larger than its window's image, unless Size To Fit is on, and a maximise that would show
// more than the image moves it to the area's corner at the image's size instead.
class TextSubWindow : public QMdiSubWindow {
  Q_OBJECT

 public:
  explicit TextSubWindow(QWidget* parent = nullptr);

  // The unit was closed or the program ended: the user may close the window now.
  void allow_close();
  bool close_allowed() const { return closable_; }
  // Resizes to show the whole image, at most the MDI area's size.
  void fit_to_image();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QSize image_size() const;

  bool closable_ = false;
  bool adjusting_ = false;
  QList<QAction*> close_entries_;  // owned by the system menu
};

class TextWindowWidget : public ImageWindow, private TextView {
  Q_OBJECT

 public:
  // `mailbox` carries repaint requests to the GUI thread; it outlives the widget.
  TextWindowWidget(Console& console, std::shared_ptr<TextWindow> window, GuiMailbox& mailbox,
                   QWidget* parent = nullptr);
  ~TextWindowWidget() override;

  TextWindow& text_window() { return *window_; }

  // On the GUI thread: the font, the image and the grid for a request; the model starts
  // afresh. False when the image cannot be made.
  bool configure(const WindowConfig& config);

  // ImageWindow: the backing image and its cells; text for Copy, from the text runs.
  SafeMutex& draw_lock() const override { return window_->draw_lock(); }
  const QImage& image() const override { return image_.image(); }
  QSize cell_size() const override;
  bool holds_text() const override { return true; }
  std::string text_of(const TextRange& range) const override;

  // The caret in viewport coordinates while the window has the focus; empty otherwise.
  QRect caret_rect() const;

  // A character as the window's character table takes it (keys and typed text come here).
  void character(unsigned char c);

 protected:
  void paint_over(QPainter& painter, const QRect& target) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }  // Tab is a character here

 private:
  // TextView, under the DrawLock.
  void draw_text(int x, int y, std::string_view bytes, Colour text, Colour background) override;
  void scroll_up(const PixelRect& area, int dy) override;
  void fill(const PixelRect& area, Colour colour) override;
  void text_written() override;

  // Under the DrawLock: `area` of the image changed; the GUI thread repaints it soon.
  void damaged(const QRect& area);
  void repaint_damage();
  void scroll(Scroll horizontal, Scroll vertical);

  std::shared_ptr<TextWindow> window_;
  GuiMailbox& mailbox_;
  // The widget while it lives, for repaint requests queued to the GUI thread (read and cleared
  // there only).
  struct Alive {
    TextWindowWidget* widget;
  };
  std::shared_ptr<Alive> alive_;

  // Under the DrawLock.
  BackingImage image_;
  QRect damage_;  // of the image, not yet repainted
  bool repaint_posted_ = false;
  QRect caret_cell_;  // the caret's cell in the image

  // GUI thread.
  QTimer* blink_ = nullptr;
  bool focused_ = false;
  bool blink_on_ = true;
};

}  // namespace console::window
