// Save and Print of a window's image: the save dialog and the bitmap file, the print dialog, the
// failure boxes, the progress dialog and the page.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "console/core/dib.h"

class QPrinter;
class QWidget;

namespace console::window {

// The save dialog owned by `owner`: filters "Bitmap Files(*.bmp)" and "All Files(*.*)", the first
// selected, default extension bmp, asking before an existing file is replaced. The chosen file,
// or none when cancelled.
std::optional<QString> ask_bitmap_file(QWidget* owner);

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

// Prints `image` on one page: the print dialog (its settings kept between prints), the progress
// dialog "Printing " with Cancel while `frame` is disabled, the whole image across the printable
// width. Failures show one box per job (owner the focused window, captioned `caption`). The
// document is named `title`.
void print_image(QWidget* frame, const QImage& image, const QString& title, const QString& caption);

}  // namespace console::window
