#include "console/window/image_window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <mutex>

#include "console/core/diagnostic.h"
#include "console/core/pause.h"
#include "console/window/frame.h"
#include "console/window/full_screen.h"
#include "console/window/print_save.h"
#include "console/window/text.h"

namespace console::window {

ImageWindow::ImageWindow(Console& console, QWidget* parent)
    : QAbstractScrollArea(parent), console_(console) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
}

ImageWindow::~ImageWindow() {
  delete full_.data();
}

QImage ImageWindow::snapshot() const {
  std::lock_guard lock(draw_lock());
  return image().copy();
}

QSize ImageWindow::image_size() const {
  std::lock_guard lock(draw_lock());
  return image().size();
}

QString ImageWindow::plain_title() const {
  if (selection_.active()) return plain_title_;
  return parentWidget() != nullptr ? parentWidget()->windowTitle() : windowTitle();
}

void ImageWindow::set_plain_title(const QString& title) {
  if (selection_.active()) {
    plain_title_ = title;
    show_selection_title();
    return;
  }
  setWindowTitle(title);
  if (parentWidget() != nullptr) parentWidget()->setWindowTitle(title);
}

QPoint ImageWindow::scroll_offset() const {
  if (fit_) return {};
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

// --- commands ------------------------------------------------------------------------------------

void ImageWindow::command(int id) {
  switch (id) {
    case command::kExit:
      if (auto* frame = qobject_cast<FrameWindow*>(window())) frame->command(command::kExit);
      return;
    case command::kInput:
      if (const std::int32_t reading = console_.reading_window(); reading != 0) {
        console_.activate_window(reading);
      }
      return;
    case command::kPaste:
      console_.paste(to_cp1252(QGuiApplication::clipboard()->text()));
      return;
    case command::kClearPaste:
      console_.clear_paste();
      return;
    case command::kPause:
      pause();
      return;
    case command::kResume:
      resume();
      return;
    case command::kSelectText:
      begin_selection(holds_text() ? SelectionMode::Text : SelectionMode::Graphics, Extent::Marked);
      return;
    case command::kSelectGraphics:
      begin_selection(SelectionMode::Graphics, Extent::Marked);
      return;
    case command::kSelectAll:
      begin_selection(holds_text() ? SelectionMode::Text : SelectionMode::Graphics, Extent::All);
      return;
    case command::kCopy:
      copy();
      return;
    case command::kSizeToFit:
      toggle_size_to_fit();
      return;
    case command::kFullScreen:
      if (full_) {
        leave_full_screen();
      } else {
        enter_full_screen();
      }
      return;
    case command::kSave:
      save();
      return;
    case command::kPrint:
      print();
      return;
    default:
      return;
  }
}

void ImageWindow::init_menu(Console& console) {
  MenuContext context = console.menu_context();
  context.paste_pending = console.paste_pending();
  context.read_pending = console.reading_window() != 0;
  const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
  context.clipboard_has_text = clipboard != nullptr && clipboard->hasText();
  context.selection_active = selection_.active();
  context.selection_has_extent = selection_.has_extent();
  context.size_to_fit = fit_;
  context.full_screen = !full_.isNull();
  console.apply_menu_context(context);
}

QStringList ImageWindow::save_filters() const {
  return {kBitmapFilter, kAllFilesFilter};
}

void ImageWindow::save() {
  const std::optional<SaveChoice> choice = ask_save_file(window(), save_filters());
  if (!choice) return;
  const bool bitmap = choice->filter == kBitmapFilter || choice->filter == kAllFilesFilter;
  const bool saved = bitmap ? write_bitmap(choice->path, snapshot()) == SaveStatus::Ok
                            : save_as(choice->filter, choice->path);
  if (!saved)
    raise_diagnostic(DiagnosticKind::Error, diagnostic::kInternalError, Module::pkgsave, __LINE__);
}

void ImageWindow::print() {
  print_image(window(), snapshot(), plain_title(), to_qstring(console_.application_name()));
}

void ImageWindow::toggle_size_to_fit() {
  fit_ = !fit_;
  const Qt::ScrollBarPolicy policy = fit_ ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
  setHorizontalScrollBarPolicy(policy);
  setVerticalScrollBarPolicy(policy);
  console_.set_menu_item_checked(command::kSizeToFit, fit_);
  update_scroll_bars();
  if (!fit_) {
    // Back to the image's own size: a window that shows more than the image shrinks to it.
    const QSize over = (viewport()->size() - image_size()).expandedTo(QSize(0, 0));
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (sub != nullptr && (over.width() > 0 || over.height() > 0) && !sub->isMaximized())
      sub->resize(sub->size() - over);
  }
  viewport()->update();
}

void ImageWindow::enter_full_screen() {
  if (full_) return;
  full_ = new FullScreenView(this, to_qstring(console_.class_name("FullWnd")));
  full_->show();
  full_->activateWindow();
  full_->setFocus();
}

void ImageWindow::leave_full_screen() {
  if (!full_) return;
  FullScreenView* view = full_.data();
  full_ = nullptr;
  view->hide();
  view->deleteLater();
  window()->activateWindow();
  setFocus();
}

// --- painting and scrolling ----------------------------------------------------------------------

void ImageWindow::image_changed(const QRect& area) {
  if (fit_) {
    viewport()->update();
  } else {
    viewport()->update(area.translated(-scroll_offset()));
  }
  if (full_) full_->update(area);
}

void ImageWindow::image_replaced() {
  update_scroll_bars();
  viewport()->update();
  if (full_) full_->update();
}

void ImageWindow::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  const QRect target = event->rect();
  const QPoint offset = scroll_offset();
  {
    std::lock_guard lock(draw_lock());
    const QImage& picture = image();
    if (fit_) {
      // The whole image stretched over the client area, cell colours kept (no smoothing).
      if (!picture.isNull()) p.drawImage(viewport()->rect(), picture);
    } else {
      const QRect source = target.translated(offset).intersected(picture.rect());
      if (source != target.translated(offset))
        p.fillRect(target, palette().color(QPalette::Dark));  // beyond the image, if ever
      if (!source.isEmpty()) p.drawImage(source.topLeft() - offset, picture, source);
    }
  }
  if (fit_) return;
  if (selection_.active()) {
    paint_selection(p);
  } else {
    paint_over(p, target);
  }
}

void ImageWindow::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  update_scroll_bars();
  if (fit_) viewport()->update();
}

void ImageWindow::update_scroll_bars() {
  const QSize picture = image_size();
  const QSize cell = cell_size();
  // An image that fits the window without scroll bars gets none, even while they still show
  // (they take room from the viewport, and would keep themselves needed).
  const QSize room = maximumViewportSize();
  const bool fits = picture.width() <= room.width() && picture.height() <= room.height();
  const QSize client = fits ? room : viewport()->size();
  auto set = [this](QScrollBar* bar, int image_extent, int client_extent, int line) {
    int maximum = fit_ ? 0 : image_extent - client_extent;
    if (maximum < 3) maximum = 0;
    bar->setRange(0, maximum);
    bar->setPageStep(std::max(1, client_extent));
    bar->setSingleStep(std::max(1, line));
  };
  set(horizontalScrollBar(), picture.width(), client.width(), cell.width());
  set(verticalScrollBar(), picture.height(), client.height(), cell.height());
}

void ImageWindow::scrollContentsBy(int, int) {
  viewport()->update();
}

}  // namespace console::window
