// notepad's window: one plain-text file in code page 1252, with Save and Exit.
#pragma once

#include <QMainWindow>
#include <QString>

class QPlainTextEdit;

namespace notepad {

class EditorWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit EditorWindow(QString path, QWidget* parent = nullptr);

  // Reads the file; a missing file opens as an empty, unchanged document (Save creates it).
  // False, with a message box, when an existing file cannot be read.
  bool load();
  // Writes the file in place of the old one; false (with a message box) when it fails or the
  // user declines to replace characters that code page 1252 lacks.
  bool save();

  QPlainTextEdit* editor() const { return editor_; }
  bool crlf() const { return crlf_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void update_title();

  QString path_;
  QPlainTextEdit* editor_ = nullptr;
  bool crlf_ = true;
};

}  // namespace notepad
