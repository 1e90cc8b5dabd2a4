#include "console/window/full_screen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <mutex>

#include "console/core/menu.h"
#include "console/window/frame.h"
#include "console/window/image_window.h"

namespace console::window {

FullScreenView::FullScreenView(ImageWindow* source, const QString& object_name)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), source_(source) {
  setObjectName(object_name);
  setWindowTitle(object_name);  // what a task list shows for the borderless window
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::BlankCursor);  // the class has no cursor
  const QScreen* screen =
      source->screen() != nullptr ? source->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) setGeometry(screen->geometry());
}

void FullScreenView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), Qt::black);
  if (source_.isNull()) return;
  std::lock_guard lock(source_->draw_lock());
  const QImage& image = source_->image();
  const QRect area = event->rect().intersected(image.rect());
  if (!area.isEmpty()) p.drawImage(area.topLeft(), image, area);
}

void FullScreenView::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & Qt::AltModifier) != 0) {
    if (source_) source_->leave_full_screen();
    return;
  }
  // Everything else as if typed into the window: a pending read takes it.
  if (source_) QCoreApplication::sendEvent(source_.data(), event);
}

void FullScreenView::keyReleaseEvent(QKeyEvent* event) {
  if (source_) QCoreApplication::sendEvent(source_.data(), event);
}

void FullScreenView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  if (source_) source_->leave_full_screen();
}

void FullScreenView::closeEvent(QCloseEvent* event) {
  event->accept();
  QPointer<FrameWindow> frame = source_ ? qobject_cast<FrameWindow*>(source_->window()) : nullptr;
  if (source_) source_->leave_full_screen();
  // Closing the view closes the application, from the event loop once the view has gone.
  if (frame) QTimer::singleShot(0, frame, [frame] { frame->command(command::kExit); });
}

}  // namespace console::window
