// A child window that shows a picture made once (a chart, say): an ImageWindow whose image never
// changes, so the window commands (Print, Save, Select Graphics and Copy, Size To Fit, Full
// Screen) act on it as on any graphics window, and whose Save also offers the formats it was
// given.
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <system_error>
#include <vector>

#include "console/window/image_window.h"

namespace console::window {

// A file format a picture's Save offers besides the bitmap: the dialog's filter with one
// extension, e.g. "SVG Files(*.svg)", and what writes the picture (drawn anew, say) into the
// chosen file, on the GUI thread: the system's reason when it cannot.
struct SaveFormat {
  QString filter;
  std::function<std::error_code(const QString& path)> write;
};

class PictureWindow final : public ImageWindow {
  Q_OBJECT

 public:
  PictureWindow(Console& console, QImage picture, std::vector<SaveFormat> formats,
                QWidget* parent = nullptr);

  SafeMutex& draw_lock() const override { return lock_; }
  const QImage& image() const override { return picture_; }
  // The bitmap's filter, those of the formats, then "All Files(*.*)".
  QStringList save_filters() const override;
  bool save_as(const QString& filter, const QString& path) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  mutable SafeMutex lock_;  // nothing draws into the picture; ImageWindow reads under it
  const QImage picture_;
  const std::vector<SaveFormat> formats_;
};

}  // namespace console::window
