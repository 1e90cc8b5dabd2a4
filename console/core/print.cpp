#include "console/core/print.h"

#include <cmath>
#include <limits>

namespace console {

std::string_view print_failure_text(PrintFailure failure) {
  switch (failure) {
    case PrintFailure::Cancelled:
      return {};
    case PrintFailure::LoadDriver:
      return "Error! Loading printer driver";
    case PrintFailure::NoPrinter:
      return "No Printer Driver";
    case PrintFailure::NoDefaultPrinter:
      return "No Default Printer";
    case PrintFailure::DialogFailed:
      return "Error! Printing Aborted";
    case PrintFailure::StartDocument:
      return "Print: Internal Error";
    case PrintFailure::StartPage:
    case PrintFailure::PrintPage:
    case PrintFailure::EndPage:
    case PrintFailure::EndDocument:
      return "Print: Printing Error";
  }
  return {};
}

std::optional<std::string_view> PrintJobErrors::report(PrintFailure failure) {
  if (failure == PrintFailure::Cancelled || reported_) return std::nullopt;
  reported_ = true;
  return print_failure_text(failure);
}

ProgressDialogLayout progress_dialog_layout(int screen_width, int screen_height) {
  ProgressDialogLayout layout;
  layout.dialog = {(screen_width - 100) / 5, (screen_height - 60) / 5, 100, 60};
  return layout;
}

PageRect print_page_rect(int image_width, int image_height, int printable_width, int dpi_x,
                         int dpi_y) {
  if (image_width <= 0 || image_height <= 0 || printable_width <= 0 || dpi_x <= 0 || dpi_y <= 0)
    return {};
  const double height =
      static_cast<double>(printable_width) * image_height / image_width * dpi_y / dpi_x;
  if (!(height < std::numeric_limits<int>::max())) return {};
  return {0, 0, printable_width, static_cast<int>(std::lround(height))};
}

}  // namespace console
