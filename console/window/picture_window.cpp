#include "console/window/picture_window.h"

#include <QKeyEvent>

#include "console/window/print_save.h"

namespace console::window {

PictureWindow::PictureWindow(Console& console, QImage picture, std::vector<SaveFormat> formats,
                             QWidget* parent)
    : ImageWindow(console, parent), picture_(std::move(picture)), formats_(std::move(formats)) {
  setFocusPolicy(Qt::StrongFocus);
  image_replaced();
}

QStringList PictureWindow::save_filters() const {
  QStringList filters{kBitmapFilter};
  for (const SaveFormat& format : formats_) filters << format.filter;
  filters << kAllFilesFilter;
  return filters;
}

bool PictureWindow::save_as(const QString& filter, const QString& path) {
  for (const SaveFormat& format : formats_) {
    if (format.filter == filter) return !format.write(path);
  }
  return false;
}

void PictureWindow::keyPressEvent(QKeyEvent* event) {
  // Arrows and page keys extend a selection, and otherwise scroll.
  if (selection_key(event->key(), event->modifiers())) return;
  ImageWindow::keyPressEvent(event);
}

}  // namespace console::window
