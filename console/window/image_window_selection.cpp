// Pause, Resume, the selection and Copy of an image window.
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "console/core/pause.h"
#include "console/window/image_window.h"
#include "console/window/text.h"

namespace console::window {
namespace {

QRect qrect(const PixelRect& r) {
  return {r.x, r.y, r.width, r.height};
}

}  // namespace

void ImageWindow::pause() {
  pause_program(console_, draw_lock());
}

void ImageWindow::resume() {
  if (resume_program(console_) != ResumeStep::None) end_selection();
}

void ImageWindow::begin_selection(SelectionMode mode, Extent extent) {
  if (selection_.active() || fit_ || full_) return;
  pause_program(console_, draw_lock());
  const QSize picture = image_size();
  const QSize cell = cell_size();
  const QSize page = viewport()->size();
  const SelectionGeometry geometry{picture.width(), picture.height(), cell.width(),
                                   cell.height(),   page.width(),     page.height()};
  plain_title_ = parentWidget() != nullptr ? parentWidget()->windowTitle() : windowTitle();
  if (extent == Extent::All) {
    selection_.select_all(mode, geometry);
  } else {
    // From the top left of what the window shows: its cell, or its pixel.
    const QPoint at = scroll_offset();
    const Point origin =
        mode == SelectionMode::Text
            ? Point{at.x() / std::max(1, cell.width()) + 1, at.y() / std::max(1, cell.height()) + 1}
            : Point{at.x(), at.y()};
    selection_.begin(mode, geometry, origin);
  }
  show_selection_title();
  viewport()->update();
}

void ImageWindow::copy() {
  if (!selection_.has_extent()) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (const std::optional<TextRange> range = selection_.text_range()) {
    clipboard->setText(to_qstring(text_of(*range)));
  } else if (const std::optional<PixelRect> rect = selection_.graphics_rect()) {
    clipboard->setImage(snapshot().copy(qrect(*rect)));
  }
  end_selection();
  resume_program(console_);
}

void ImageWindow::end_selection() {
  if (!selection_.end()) return;
  setWindowTitle(plain_title_);
  if (parentWidget() != nullptr) parentWidget()->setWindowTitle(plain_title_);
  plain_title_.clear();
  viewport()->update();
}

void ImageWindow::show_selection_title() {
  const std::string_view prefix = selection_.title_prefix();
  const QString title =
      QString::fromLatin1(prefix.data(), static_cast<qsizetype>(prefix.size())) + plain_title_;
  setWindowTitle(title);
  if (parentWidget() != nullptr) parentWidget()->setWindowTitle(title);
}

QPoint ImageWindow::image_point(const QPoint& viewport_point) const {
  return viewport_point + scroll_offset();
}

void ImageWindow::selection_moved(MouseAction action) {
  if (action == MouseAction::Ignore) return;
  show_selection_title();
  viewport()->update();
}

void ImageWindow::mousePressEvent(QMouseEvent* event) {
  if (!selection_.active() || event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  // The widget keeps the mouse until the button is released.
  const QPoint p = image_point(event->position().toPoint());
  selection_moved(selection_.press({p.x(), p.y()}));
}

void ImageWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!selection_.capturing()) {
    QAbstractScrollArea::mouseMoveEvent(event);
    return;
  }
  const QPoint p = image_point(event->position().toPoint());
  selection_moved(selection_.move({p.x(), p.y()}));
}

void ImageWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (!selection_.capturing() || event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  const QPoint p = image_point(event->position().toPoint());
  selection_moved(selection_.release({p.x(), p.y()}));
}

bool ImageWindow::selection_key(int qt_key, Qt::KeyboardModifiers modifiers) {
  if (!selection_.active()) return false;
  const bool control = (modifiers & Qt::ControlModifier) != 0;
  SelectionKey key;
  switch (qt_key) {
    case Qt::Key_Left:
      key = SelectionKey::Left;
      break;
    case Qt::Key_Right:
      key = SelectionKey::Right;
      break;
    case Qt::Key_Up:
      key = SelectionKey::Up;
      break;
    case Qt::Key_Down:
      key = SelectionKey::Down;
      break;
    case Qt::Key_PageUp:
      key = control ? SelectionKey::PageLeft : SelectionKey::PageUp;
      break;
    case Qt::Key_PageDown:
      key = control ? SelectionKey::PageRight : SelectionKey::PageDown;
      break;
    default:
      return false;
  }
  selection_.key(key);
  keep_caret_visible();
  show_selection_title();
  viewport()->update();
  return true;
}

// The selection's caret in image pixels.
static QRect caret_area(const Selection& selection, QSize cell) {
  const Point caret = selection.caret();
  if (selection.mode() == SelectionMode::Text)
    return {(caret.x - 1) * cell.width(), (caret.y - 1) * cell.height(), cell.width(),
            cell.height()};
  return {caret.x, caret.y, cell.width(), cell.height()};
}

void ImageWindow::keep_caret_visible() {
  const QRect caret = caret_area(selection_, cell_size());
  const QSize client = viewport()->size();
  auto follow = [](QScrollBar* bar, int from, int to, int extent) {
    if (from < bar->value()) bar->setValue(from);
    if (to > bar->value() + extent) bar->setValue(to - extent);
  };
  follow(horizontalScrollBar(), caret.left(), caret.right() + 1, client.width());
  follow(verticalScrollBar(), caret.top(), caret.bottom() + 1, client.height());
}

void ImageWindow::paint_selection(QPainter& p) {
  // Inverted: the image's colours turned over, cell by cell or over the rectangle.
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  const QPoint offset = scroll_offset();
  for (const PixelRect& r : selection_.overlay())
    p.fillRect(qrect(r).translated(-offset), Qt::white);
  // While marking, a block caret where the mark starts.
  if (!selection_.has_extent())
    p.fillRect(caret_area(selection_, cell_size()).translated(-offset), Qt::white);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace console::window
