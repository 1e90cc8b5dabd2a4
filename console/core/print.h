// Print: the parts that need no printer. The texts of the failure boxes, the rule that a print
// job reports only its first failure, the progress dialog's texts and layout, and where the image
// goes on the page. The toolkit's print dialog and printer drive these.
#pragma once

#include <optional>
#include <string_view>

namespace console {

enum class PrintFailure {
  Cancelled,         // the dialog was cancelled: no box
  LoadDriver,        // "Error! Loading printer driver"
  NoPrinter,         // no printer installed: "No Printer Driver"
  NoDefaultPrinter,  // "No Default Printer"
  DialogFailed,      // any other failure of the dialog: "Error! Printing Aborted"
  StartDocument,     // the document or the progress dialog could not start: "Print: Internal Error"
  StartPage,         // the page could not start, print or end, or the document could not
  PrintPage,         // end: "Print: Printing Error"
  EndPage,
  EndDocument,
};

// The box's text (owner the window with the focus, captioned with the application name,
// information icon); empty for Cancelled.
std::string_view print_failure_text(PrintFailure failure);

// One print job's failures: only the first is shown.
class PrintJobErrors {
 public:
  // A new job (the print dialog is shown again): nothing reported yet.
  void begin_job() { reported_ = false; }
  // The text to show for this failure, or nothing: for Cancelled, and once a failure of this job
  // has been shown.
  std::optional<std::string_view> report(PrintFailure failure);
  bool reported() const { return reported_; }

 private:
  bool reported_ = false;
};

// A rectangle in the progress dialog's units (a quarter of the font's average character width
// horizontally, an eighth of its height vertically).
struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

// The modeless progress dialog shown while a page prints; the frame is disabled meanwhile.
struct ProgressDialogLayout {
  static constexpr std::string_view kCaption = "Printing ";
  static constexpr std::string_view kCancelText = "Cancel";
  static constexpr int kCancelId = 2;
  static constexpr std::string_view kMessage = "Printing In Progress...";  // centred
  static constexpr int kMessageId = 1;

  DialogRect dialog;  // 100 x 60
  DialogRect cancel{30, 40, 40, 14};
  DialogRect message{0, 15, 100, 20};
};
// The dialog at ((screen width - 100) / 5, (screen height - 60) / 5), the screen in pixels.
ProgressDialogLayout progress_dialog_layout(int screen_width, int screen_height);

// Where the image goes on the page, in printer pixels from the printable area's top left.
struct PageRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PageRect&, const PageRect&) = default;
};
// The whole image stretched to the printable width; its height keeps the image's proportions,
// corrected for a printer whose resolutions differ: width x image height / image width x vertical
// dpi / horizontal dpi, rounded to the nearest pixel. Empty for an empty image or a bad argument.
PageRect print_page_rect(int image_width, int image_height, int printable_width, int dpi_x,
                         int dpi_y);

}  // namespace console
