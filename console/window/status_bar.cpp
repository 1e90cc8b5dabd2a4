#include "console/window/status_bar.h"

#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace console::window {
namespace {

const QColor kFace(192, 192, 192);  // the light-gray stock brush
const QColor kLightLine(0xAF, 0xAF, 0xAF);

// A box drawn sunken: gray top and left edges, white bottom and right edges.
void draw_sunken(QPainter& p, int left, int top, int right, int bottom) {
  p.setPen(Qt::gray);
  p.drawLine(left, top, right, top);
  p.drawLine(left, top, left, bottom);
  p.setPen(Qt::white);
  p.drawLine(left, bottom, right, bottom);
  p.drawLine(right, top, right, bottom);
}

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kFace);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  setAutoFillBackground(true);
  left_ = new QLabel(this);
  right_ = new QLabel(this);
  left_->setObjectName("RunState");
  right_->setObjectName("StatusMessage");
  for (QLabel* label : {left_, right_}) label->setAttribute(Qt::WA_TranslucentBackground);
  setFixedHeight(sizeHint().height());
}

QSize StatusBar::sizeHint() const {
  // As tall as a window caption.
  int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
  return {QWidget::sizeHint().width(), std::max(caption, fontMetrics().height() + 6)};
}

void StatusBar::set_texts(const QString& run_state, const QString& message) {
  left_->setText(run_state);
  right_->setText(message);
}

QString StatusBar::run_state_text() const {
  return left_->text();
}

QString StatusBar::message_text() const {
  return right_->text();
}

int StatusBar::char_width() const {
  return std::max(1, fontMetrics().averageCharWidth());
}

void StatusBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int c = char_width();
  const int w = width();
  const int h = height();
  left_->setGeometry(c + 1, 3, 9 * c - 1, h - 4);
  right_->setGeometry(11 * c + 1, 3, (w - c) - 11 * c - 1, h - 1 - 2 - 1);
}

void StatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int c = char_width();
  const int w = width();
  const int h = height();
  p.setPen(kLightLine);
  p.drawLine(0, 0, w, 0);
  p.setPen(Qt::white);
  p.drawLine(0, 1, w, 1);
  draw_sunken(p, c, 2, 10 * c, h - 1);
  draw_sunken(p, 11 * c, 2, w - c, h - 1);
}

}  // namespace console::window
