// Print without a printer: the failure boxes, one per job, the progress dialog and the page.
#include "console/core/print.h"

#include <gtest/gtest.h>

namespace console {
namespace {

TEST(Print, FailureTextsAndOnlyTheFirstPerJob) {
  const std::pair<PrintFailure, std::string_view> texts[] = {
      {PrintFailure::Cancelled, ""},
      {PrintFailure::LoadDriver, "Error! Loading printer driver"},
      {PrintFailure::NoPrinter, "No Printer Driver"},
      {PrintFailure::NoDefaultPrinter, "No Default Printer"},
      {PrintFailure::DialogFailed, "Error! Printing Aborted"},
      {PrintFailure::StartDocument, "Print: Internal Error"},
      {PrintFailure::StartPage, "Print: Printing Error"},
      {PrintFailure::PrintPage, "Print: Printing Error"},
      {PrintFailure::EndPage, "Print: Printing Error"},
      {PrintFailure::EndDocument, "Print: Printing Error"},
  };
  for (auto [failure, text] : texts) EXPECT_EQ(print_failure_text(failure), text);

  PrintJobErrors job;
  EXPECT_EQ(job.report(PrintFailure::Cancelled), std::nullopt);
  EXPECT_FALSE(job.reported());
  EXPECT_EQ(job.report(PrintFailure::PrintPage), "Print: Printing Error");
  EXPECT_EQ(job.report(PrintFailure::EndDocument), std::nullopt);
  EXPECT_EQ(job.report(PrintFailure::NoPrinter), std::nullopt);
  job.begin_job();
  EXPECT_EQ(job.report(PrintFailure::NoPrinter), "No Printer Driver");
}

TEST(Print, ProgressDialogLayout) {
  const ProgressDialogLayout l = progress_dialog_layout(1280, 800);
  EXPECT_EQ(l.dialog, (DialogRect{236, 148, 100, 60}));
  EXPECT_EQ(l.cancel, (DialogRect{30, 40, 40, 14}));
  EXPECT_EQ(l.message, (DialogRect{0, 15, 100, 20}));
  EXPECT_EQ(ProgressDialogLayout::kCaption, "Printing ");
  EXPECT_EQ(ProgressDialogLayout::kCancelText, "Cancel");
  EXPECT_EQ(ProgressDialogLayout::kMessage, "Printing In Progress...");
  EXPECT_EQ(progress_dialog_layout(50, 40).dialog, (DialogRect{-10, -4, 100, 60}));
}

TEST(Print, PageTakesThePrintableWidthWithCorrectedHeight) {
  struct Case {
    int image_w, image_h, printable_w, dpi_x, dpi_y;
    PageRect rect;
  };
  const Case cases[] = {
      {640, 480, 4800, 600, 600, {0, 0, 4800, 3600}},
      {640, 480, 4800, 600, 300, {0, 0, 4800, 1800}},  // half as many rows per inch
      {1280, 800, 2400, 300, 600, {0, 0, 2400, 3000}},
      {3, 1, 100, 600, 600, {0, 0, 100, 33}},  // 33.3 rounds down
      {3, 2, 100, 600, 600, {0, 0, 100, 67}},  // 66.7 rounds up
      {0, 480, 4800, 600, 600, {}},
      {640, 480, 0, 600, 600, {}},
      {640, 480, 4800, 0, 600, {}},
      {1, 2000000000, 2000000000, 1, 1, {}},  // beyond an int
  };
  for (const Case& c : cases)
    EXPECT_EQ(print_page_rect(c.image_w, c.image_h, c.printable_w, c.dpi_x, c.dpi_y), c.rect)
        << c.image_w << "x" << c.image_h;
}

}  // namespace
}  // namespace console
