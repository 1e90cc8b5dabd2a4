// Save and Print of a window's image: the save dialog and the bitmap file, the print dialog, the
// failure boxes, the progress dialog and the page.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "console/core/dib.h"

class QPainter;
class QPrinter;
class QWidget;

namespace console::window {

// The filters of a window's save dialog: a bitmap file, or any name (written as a bitmap too).
inline const QString kBitmapFilter = QStringLiteral("Bitmap Files(*.bmp)");
inline const QString kAllFilesFilter = QStringLiteral("All Files(*.*)");

struct SaveChoice {
  QString path;
  QString filter;  // one of the dialog's filters
};
// The save dialog owned by `owner` with `filters`, the first selected, asking before an existing
// file is replaced. A name typed without an extension gets the selected filter's (one "*.ext"
// pattern), or "bmp" for a filter without one. The chosen file, or none when cancelled.
std::optional<SaveChoice> ask_save_file(QWidget* owner, const QStringList& filters);

// Writes `image` as a bitmap file of its natural depth (save_dib: replaced whole or not at all).
SaveStatus write_bitmap(const QString& path, const QImage& image);

// What printing asks of the system; tests put their own in place.
struct PrintSystem {
  // The names of the installed printers.
  std::function<QStringList()> printers;
  // Shows the print dialog for `printer`, owned by `owner`: true when the user chose to print.
  std::function<bool(QPrinter& printer, QWidget* owner)> dialog;
};
// Replaces the print system; an empty member keeps the toolkit's own (QPrinterInfo, QPrintDialog).
void set_print_system(PrintSystem system);

// Draws a document's pages on `painter` (a new page through `printer`): false where a page could
// not be printed.
using PagePainter = std::function<bool(QPainter& painter, QPrinter& printer)>;
// Prints the pages `paint` draws: the print dialog (its settings kept between prints), the
// progress dialog "Printing " with Cancel while `frame` is disabled; failures show one box per
// job (owner the focused window, captioned `caption`). The document is named `title`.
void print_pages(QWidget* frame, const QString& title, const QString& caption,
                 const PagePainter& paint);

// Prints `image` on one page through print_pages, across the printable width.
void print_image(QWidget* frame, const QImage& image, const QString& title, const QString& caption);

}  // namespace console::window
