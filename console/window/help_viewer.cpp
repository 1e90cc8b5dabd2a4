#include "console/window/help_viewer.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "console/core/help.h"
#include "console/window/text.h"

namespace console::window {
namespace {

UrlOpener& url_opener() {
  static UrlOpener opener;
  return opener;
}

void information(QWidget* owner, const QString& caption, const QString& text,
                 QMessageBox::Icon icon = QMessageBox::Information) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace

void set_url_opener(UrlOpener opener) {
  url_opener() = std::move(opener);
}

void open_help(QWidget* owner, const QString& caption, std::optional<int> context) {
  const HelpFile& file = help_file();
  const QString path =
      QString::fromLocal8Bit(file.path.data(), static_cast<qsizetype>(file.path.size()));
  if (!file.exists) {
    information(owner, caption, QStringLiteral("Cannot find the help file ") + path,
                QMessageBox::Warning);
    return;
  }
  const QUrl url(QString::fromStdString(help_url(file.path, context)), QUrl::StrictMode);
  const bool opened = url_opener() ? url_opener()(url) : QDesktopServices::openUrl(url);
  if (!opened)
    information(owner, caption, QStringLiteral("Cannot open the help file ") + path,
                QMessageBox::Warning);
}

void help_for_command(QWidget* owner, const QString& caption, int command_id) {
  if (const std::optional<int> context = help_context(command_id)) {
    open_help(owner, caption, context);
  } else {
    information(owner, caption, to_qstring(kHelpNotAvailable), QMessageBox::NoIcon);
  }
}

void show_using_help(QWidget* owner, const QString& caption) {
  information(owner, caption, to_qstring(using_help_text()));
}

void show_about(QWidget* owner, const QString& caption) {
  information(owner, caption, to_qstring(about_text()));
}

}  // namespace console::window
