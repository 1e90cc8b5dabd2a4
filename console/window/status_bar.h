// The frame's two-pane status line: the run state on the left, the status message on the right.
#pragma once

#include <QWidget>

class QLabel;

namespace console::window {

class StatusBar : public QWidget {
  Q_OBJECT

 public:
  explicit StatusBar(QWidget* parent = nullptr);

  void set_texts(const QString& run_state, const QString& message);
  QString run_state_text() const;
  QString message_text() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int char_width() const;

  QLabel* left_ = nullptr;
  QLabel* right_ = nullptr;
};

}  // namespace console::window
