#include "console/window/print_save.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>

#include "console/core/print.h"
#include "console/window/text.h"

namespace console::window {
namespace {

PrintSystem& print_system() {
  static PrintSystem system;
  return system;
}

QStringList installed_printers() {
  if (print_system().printers) return print_system().printers();
  return QPrinterInfo::availablePrinterNames();
}

bool run_print_dialog(QPrinter& printer, QWidget* owner) {
  if (print_system().dialog) return print_system().dialog(printer, owner);
  QPrintDialog dialog(&printer, owner);
  // No page numbers, no selection, no printing to a file.
  dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
  return dialog.exec() == QDialog::Accepted;
}

// One print job's boxes: only its first failure is shown.
class JobBoxes {
 public:
  explicit JobBoxes(QString caption) : caption_(std::move(caption)) { errors_.begin_job(); }
  void fail(PrintFailure failure) {
    const std::optional<std::string_view> text = errors_.report(failure);
    if (!text) return;
    QWidget* focus = QApplication::focusWidget();
    QMessageBox box(QMessageBox::Information, caption_, to_qstring(*text), QMessageBox::Ok,
                    focus != nullptr ? focus->window() : nullptr);
    box.exec();
  }

 private:
  QString caption_;
  PrintJobErrors errors_;
};

// The printer, and with it the dialog's settings, kept between prints. Never freed: it is used
// until the process ends.
QPrinter& kept_printer() {
  static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
  return *printer;
}

// The progress dialog, laid out in dialog units of its font.
QDialog* progress_dialog(QWidget* frame, bool* cancelled) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screen_size = screen != nullptr ? screen->size() : QSize(800, 600);
  const ProgressDialogLayout layout =
      progress_dialog_layout(screen_size.width(), screen_size.height());
  auto* dialog = new QDialog(frame, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
  dialog->setObjectName("PrintProgress");
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  dialog->setWindowTitle(QString::fromLatin1(ProgressDialogLayout::kCaption.data(),
                                             ProgressDialogLayout::kCaption.size()));
  const QFontMetrics metrics(dialog->font());
  const int unit_x = std::max(1, metrics.averageCharWidth());
  const int unit_y = std::max(1, metrics.height());
  auto pixels = [&](const DialogRect& r) {
    return QRect(r.x * unit_x / 4, r.y * unit_y / 8, r.width * unit_x / 4, r.height * unit_y / 8);
  };
  dialog->setGeometry(pixels(layout.dialog));
  auto* message = new QLabel(to_qstring(ProgressDialogLayout::kMessage), dialog);
  message->setAlignment(Qt::AlignCenter);
  message->setGeometry(pixels(layout.message));
  auto* cancel = new QPushButton(to_qstring(ProgressDialogLayout::kCancelText), dialog);
  cancel->setGeometry(pixels(layout.cancel));
  QObject::connect(cancel, &QPushButton::clicked, dialog, [cancelled] { *cancelled = true; });
  return dialog;
}

// "Bitmap Files(*.bmp)" gives "bmp"; a filter of several patterns, or of "*.*", gives "bmp" too.
QString default_suffix(const QString& filter) {
  const qsizetype open = filter.indexOf('(');
  const qsizetype close = filter.lastIndexOf(')');
  if (open < 0 || close < open) return QStringLiteral("bmp");
  const QString patterns = filter.mid(open + 1, close - open - 1).trimmed();
  if (!patterns.startsWith("*.") || patterns.contains(' ') || patterns.contains(';'))
    return QStringLiteral("bmp");
  const QString suffix = patterns.mid(2);
  return suffix.isEmpty() || suffix.contains('*') || suffix.contains('?') ? QStringLiteral("bmp")
                                                                          : suffix;
}

}  // namespace

std::optional<SaveChoice> ask_save_file(QWidget* owner, const QStringList& filters) {
  QPointer<QFileDialog> dialog = new QFileDialog(owner, QStringLiteral("Save As"));
  dialog->setObjectName("SaveImage");
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(QFileDialog::AcceptSave);  // asks before replacing a file
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters(filters);
  const auto follow = [dialog](const QString& filter) {
    if (dialog) dialog->setDefaultSuffix(default_suffix(filter));
  };
  QObject::connect(dialog.data(), &QFileDialog::filterSelected, dialog.data(), follow);
  if (!filters.isEmpty()) {
    dialog->selectNameFilter(filters.first());
    follow(filters.first());
  }
  const int result = dialog->exec();
  if (dialog.isNull()) return std::nullopt;  // the frame closed under it
  SaveChoice choice{dialog->selectedFiles().value(0), dialog->selectedNameFilter()};
  delete dialog.data();
  if (result != QDialog::Accepted || choice.path.isEmpty()) return std::nullopt;
  return choice;
}

SaveStatus write_bitmap(const QString& path, const QImage& image) {
  ImageView view;
  QImage rgb;
  std::vector<std::uint32_t> palette;
  if (image.format() == QImage::Format_Indexed8) {
    const QList<QRgb> table = image.colorTable();
    palette.assign(table.begin(), table.end());
    view = {image.width(),     image.height(),       PixelFormat::Indexed8,
            image.constBits(), image.bytesPerLine(), palette};
  } else {
    rgb = image.convertToFormat(QImage::Format_RGB32);
    view = {rgb.width(), rgb.height(), PixelFormat::Rgb32, rgb.constBits(), rgb.bytesPerLine(), {}};
  }
  return save_dib(QFile::encodeName(path).toStdString(), view, natural_depth(view));
}

void set_print_system(PrintSystem system) {
  print_system() = std::move(system);
}

void print_pages(QWidget* frame, const QString& title, const QString& caption,
                 const PagePainter& paint) {
  JobBoxes boxes(caption);
  if (installed_printers().isEmpty()) {
    boxes.fail(PrintFailure::NoPrinter);
    return;
  }
  QPrinter& printer = kept_printer();
  if (!run_print_dialog(printer, frame)) return;  // cancelled: no box
  if (!printer.isValid()) {
    boxes.fail(PrintFailure::LoadDriver);
    return;
  }
  printer.setDocName(title);
  QPainter painter;
  if (!painter.begin(&printer)) {
    boxes.fail(PrintFailure::StartDocument);
    return;
  }

  bool cancelled = false;
  QPointer<QDialog> progress = progress_dialog(frame, &cancelled);
  progress->show();
  if (frame != nullptr) frame->setEnabled(false);
  const auto finish = [&] {
    if (frame != nullptr) frame->setEnabled(true);
    delete progress.data();
    if (frame != nullptr) frame->activateWindow();
  };
  // Lets the progress dialog's Cancel through while the page is made.
  const auto cancelled_now = [&] {
    QCoreApplication::processEvents();
    return cancelled;
  };

  bool failed = false;
  if (!cancelled_now()) {
    if (!paint(painter, printer) || printer.printerState() == QPrinter::Error) {
      failed = true;
      boxes.fail(PrintFailure::PrintPage);
    }
  }
  if (cancelled_now()) {
    printer.abort();
    painter.end();
    finish();
    return;
  }
  if (!painter.end() && !failed) boxes.fail(PrintFailure::EndDocument);
  finish();
}

void print_image(QWidget* frame, const QImage& image, const QString& title,
                 const QString& caption) {
  print_pages(frame, title, caption, [&image](QPainter& painter, QPrinter& printer) {
    const PageRect page = print_page_rect(image.width(), image.height(), printer.width(),
                                          printer.logicalDpiX(), printer.logicalDpiY());
    if (page.width <= 0 || page.height <= 0) return false;
    painter.drawImage(QRect(page.x, page.y, page.width, page.height), image);
    return true;
  });
}

}  // namespace console::window
