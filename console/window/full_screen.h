// Full Screen: a window's image in a borderless top-level window the size of the screen, on black,
// named and titled with the "FullWnd" class suffix. Keys typed there go to the window it shows (so
// a pending read still takes them); Alt+Enter or a click of the left or right button returns to the
// normal view, and closing it also closes the application.
#pragma once

#include <QPointer>
#include <QWidget>

namespace console::window {

class ImageWindow;

class FullScreenView : public QWidget {
  Q_OBJECT

 public:
  // `object_name` is the application name followed by "FullWnd".
  FullScreenView(ImageWindow* source, const QString& object_name);

  ImageWindow* source() const { return source_.data(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QPointer<ImageWindow> source_;
};

}  // namespace console::window
