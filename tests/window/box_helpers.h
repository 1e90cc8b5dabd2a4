// Answering message boxes from a test. A box runs its own event loop, so it is found and
// answered by a timer, which fires inside that loop.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace tavo::testing {

inline QMessageBox* visible_box() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

// What a box showed.
struct SeenBox {
  bool seen = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button = QMessageBox::NoButton;
  Qt::WindowModality modality = Qt::NonModal;
  QWidget* owner = nullptr;
};

// Records the next box that shows up and clicks `answer` in it.
inline void answer_next_box(QMessageBox::StandardButton answer, SeenBox* seen) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, answer, seen] {
    QMessageBox* box = visible_box();
    if (box == nullptr) return;
    timer->stop();
    timer->deleteLater();
    seen->seen = true;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    seen->buttons = box->standardButtons();
    seen->default_button =
        box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
    seen->modality = box->windowModality();
    seen->owner = box->parentWidget();
    box->button(answer)->click();
  });
  timer->start(10);
}

}  // namespace tavo::testing
