#include "console/window/help_viewer.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "console/core/help.h"
#include "console/window/text.h"

namespace console::window {
namespace {

UrlOpener& url_opener() {
  static UrlOpener opener;
  return opener;
}

bool open_url(const QUrl& url) {
  return url_opener() ? url_opener()(url) : QDesktopServices::openUrl(url);
}

void information(QWidget* owner, const QString& caption, const QString& text,
                 QMessageBox::Icon icon = QMessageBox::Information) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

// The manual in a window of our own, for a desktop where nothing opens it. A top-level window
// owned by the frame's window, not a child in its MDI area: the frame's menus act on the active
// child, so there it would take Copy, Print, Size To Fit and the rest away from the program's
// windows and be tiled and cascaded with them. Owned by the frame it stays above it, goes with it
// and hands the focus back to it when it closes.
class HelpWindow : public QTextBrowser {
 public:
  HelpWindow(QWidget* owner, const QString& caption) : QTextBrowser(owner), caption_(caption) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("help"));
    // Links are followed here: within the manual by this window, any other by the opener.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);
    resize(720, 640);
  }

  // False when the manual cannot be read.
  bool show_at(const QUrl& url) {
    setSource(url);  // scrolled to the anchor once shown, in the window's own size
    if (document()->isEmpty()) return false;
    setWindowTitle(documentTitle().isEmpty() ? caption_ : documentTitle());
    show();
    raise();
    activateWindow();
    return true;
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Close)) {
      close();
    } else {
      QTextBrowser::keyPressEvent(event);
    }
  }

 private:
  void follow(const QUrl& link) {
    const QUrl url = source().resolved(link);
    if (url.adjusted(QUrl::RemoveFragment) == source().adjusted(QUrl::RemoveFragment)) {
      setSource(url);
    } else if (!open_url(url)) {
      information(this, caption_, QStringLiteral("Cannot open ") + url.toDisplayString(),
                  QMessageBox::Warning);
    }
  }

  QString caption_;
};

// The one help window, while it is open.
QPointer<HelpWindow>& help_window() {
  static QPointer<HelpWindow> window;
  return window;
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
  if (open_url(url)) return;
  QPointer<HelpWindow>& window = help_window();
  if (window == nullptr)
    window = new HelpWindow(owner != nullptr ? owner->window() : nullptr, caption);
  if (!window->show_at(url)) {
    window->close();
    information(owner, caption, QStringLiteral("Cannot open the help file ") + path,
                QMessageBox::Warning);
  }
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
