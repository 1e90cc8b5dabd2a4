// Finding the windows a test waits for, and answering message boxes. A box runs its own event
// loop, so it is found and answered by a timer, which fires inside that loop.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "console/core/menu.h"
#include "console/window/frame.h"

namespace tavo::testing {

// The first visible top-level window of a type (and name, if given).
template <class T>
T* visible_top_level(const QString& object_name = {}) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* found = qobject_cast<T*>(w);
    if (found != nullptr && found->isVisible() &&
        (object_name.isEmpty() || found->objectName() == object_name))
      return found;
  }
  return nullptr;
}

inline QMessageBox* visible_box() {
  return visible_top_level<QMessageBox>();
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

// Saves the active window through the frame's Save and its dialog, choosing `filter` and the
// name `file`; `seen` gets the dialog's filters.
inline void save_as(console::window::FrameWindow* frame, const QString& filter, const QString& file,
                    const std::function<void(const QStringList&)>& seen = {}) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, filter, file, seen] {
    auto* dialog = visible_top_level<QFileDialog>();
    if (dialog == nullptr) return;
    timer->deleteLater();
    timer->stop();
    if (seen) seen(dialog->nameFilters());
    dialog->selectNameFilter(filter);
    emit dialog->filterSelected(filter);  // as choosing it in the dialog does
    // selectFile leaves the name field alone while it has the focus (the user may be typing).
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    dialog->selectFile(file);
    static_cast<QDialog*>(dialog)->accept();  // as the Save button does
  });
  timer->start(10);
  frame->command(console::command::kSave);
}

}  // namespace tavo::testing
