#include "tools/notepad/editor_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextDocument>

#include "tools/notepad/text_file.h"

namespace notepad {

EditorWindow::EditorWindow(QString path, QWidget* parent)
    : QMainWindow(parent), path_(std::move(path)) {
  editor_ = new QPlainTextEdit(this);
  editor_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
  setCentralWidget(editor_);

  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* save_action = file->addAction(tr("&Save"), this, [this] { save(); });
  save_action->setShortcut(QKeySequence::Save);
  file->addSeparator();
  QAction* exit_action = file->addAction(tr("E&xit"), this, &QWidget::close);
  exit_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  connect(editor_->document(), &QTextDocument::modificationChanged, this,
          &QWidget::setWindowModified);
  update_title();
  resize(760, 560);
}

void EditorWindow::update_title() {
  setWindowTitle(QFileInfo(path_).fileName() + QStringLiteral("[*] - notepad"));
}

bool EditorWindow::load() {
  QFile file(path_);
  EditorText text;  // a missing file is an empty document; the first save creates it
  if (file.exists()) {
    if (!file.open(QIODevice::ReadOnly)) {
      QMessageBox::critical(this, windowTitle(),
                            tr("Cannot read %1:\n%2").arg(path_, file.errorString()));
      return false;
    }
    const QByteArray bytes = file.readAll();
    text = decode_file(std::string_view(bytes.constData(), bytes.size()));
  }
  crlf_ = text.crlf;
  editor_->setPlainText(QString::fromStdU16String(text.text));
  // Whatever the editor signalled while filling, the loaded document is unchanged: the title's
  // mark and the question on closing both follow the document from here on.
  editor_->document()->setModified(false);
  setWindowModified(false);
  return true;
}

bool EditorWindow::save() {
  // The raw text keeps no-break spaces; blocks are separated by U+2029.
  QString text = editor_->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  bool lossless = true;
  const std::string bytes = encode_file(text.toStdU16String(), crlf_, &lossless);
  if (!lossless &&
      QMessageBox::warning(this, windowTitle(),
                           tr("Some characters have no code page 1252 form and will be saved as "
                              "'?'. Save anyway?"),
                           QMessageBox::Save | QMessageBox::Cancel,
                           QMessageBox::Cancel) != QMessageBox::Save)
    return false;
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size()) ||
      !file.commit()) {
    QMessageBox::critical(this, windowTitle(),
                          tr("Cannot save %1:\n%2").arg(path_, file.errorString()));
    return false;
  }
  editor_->document()->setModified(false);
  return true;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (!editor_->document()->isModified()) {
    event->accept();
    return;
  }
  const auto answer = QMessageBox::question(
      this, windowTitle(),
      tr("%1 has been changed. Save the changes?").arg(QFileInfo(path_).fileName()),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Discard || (answer == QMessageBox::Save && save())) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace notepad
