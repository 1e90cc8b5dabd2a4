#include "console/window/text_window_widget.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTimer>

#include <algorithm>
#include <cstring>

#include "console/window/frame.h"
#include "console/window/mailbox.h"
#include "console/window/text.h"

namespace console::window {
namespace {

constexpr const char* kDefaultFace = "Courier New";
// The smallest image a window is given, as the platform's smallest window.
constexpr int kMinimumWidth = 120;
constexpr int kMinimumHeight = 40;

QRgb qcolour(Colour colour) {
  return 0xFF000000u | colour_rgb(colour);
}

QRect qrect(const PixelRect& r) {
  return {r.x, r.y, r.width, r.height};
}

// The font for a cell, as asked of the platform: `height` the font's whole height (ascent plus
// descent) and its characters stretched to `width`.
QFont make_font(const WindowConfig& config, CellSize cell) {
  QFont font(QString::fromStdString(config.face.value_or(kDefaultFace)));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setBold(config.bold);
  font.setItalic(config.italic);
  font.setUnderline(config.underline);
  font.setKerning(false);
  int pixels = std::max(1, cell.height);
  font.setPixelSize(pixels);
  while (pixels > 1 && QFontMetrics(font).height() > cell.height) font.setPixelSize(--pixels);
  const int natural = QFontMetrics(font).horizontalAdvance(QLatin1Char('M'));
  if (natural > 0 && natural != cell.width)
    font.setStretch(std::clamp(100 * cell.width / natural, 1, 4000));
  return font;
}

CellSize font_cell(const QFont& font) {
  QFontMetrics metrics(font);
  return {metrics.averageCharWidth(), metrics.height()};
}

Key key_of(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Insert:
      return Key::Insert;
    case Qt::Key_PageUp:
      return Key::PageUp;
    case Qt::Key_PageDown:
      return Key::PageDown;
    case Qt::Key_Home:
      return Key::Home;
    case Qt::Key_End:
      return Key::End;
    case Qt::Key_Left:
      return Key::Left;
    case Qt::Key_Right:
      return Key::Right;
    case Qt::Key_Up:
      return Key::Up;
    case Qt::Key_Down:
      return Key::Down;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return Key::Enter;
    default:
      return Key::Other;
  }
}

unsigned modifiers_of(Qt::KeyboardModifiers m) {
  unsigned bits = kNoModifier;
  if (m & Qt::ShiftModifier) bits |= kShift;
  if (m & Qt::ControlModifier) bits |= kControl;
  if (m & Qt::AltModifier) bits |= kAlt;
  return bits;
}

QAbstractSlider::SliderAction slider_action(Scroll scroll) {
  switch (scroll) {
    case Scroll::LineBack:
      return QAbstractSlider::SliderSingleStepSub;
    case Scroll::LineForward:
      return QAbstractSlider::SliderSingleStepAdd;
    case Scroll::PageBack:
      return QAbstractSlider::SliderPageStepSub;
    case Scroll::PageForward:
      return QAbstractSlider::SliderPageStepAdd;
    case Scroll::ToStart:
      return QAbstractSlider::SliderToMinimum;
    case Scroll::ToEnd:
      return QAbstractSlider::SliderToMaximum;
    case Scroll::None:
      break;
  }
  return QAbstractSlider::SliderNoAction;
}

// The system menu's Close entry and the separator before it.
QList<QAction*> close_entries(QMdiSubWindow* sub) {
  QList<QAction*> found;
  QMenu* menu = sub->systemMenu();
  if (menu == nullptr) return found;
  const QList<QAction*> actions = menu->actions();
  for (qsizetype i = 0; i < actions.size(); ++i) {
    if (!actions[i]->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4))) continue;
    if (i > 0 && actions[i - 1]->isSeparator()) found << actions[i - 1];
    found << actions[i];
  }
  return found;
}

// The caption's close button goes with the system menu in the toolkit's styles; this style leaves
// it out of a text window's caption (drawn and clicked) until the window may be closed.
class CaptionStyle : public QProxyStyle {
 public:
  explicit CaptionStyle(const TextSubWindow* window) : window_(window) {}

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    if (control == CC_TitleBar && sub == SC_TitleBarCloseButton && !window_->close_allowed())
      return {};
    return QProxyStyle::subControlRect(control, option, sub, widget);
  }
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override {
    if (control == CC_TitleBar && !window_->close_allowed()) {
      if (const auto* bar = qstyleoption_cast<const QStyleOptionTitleBar*>(option)) {
        QStyleOptionTitleBar without = *bar;
        without.subControls &= ~SC_TitleBarCloseButton;
        QProxyStyle::drawComplexControl(control, &without, painter, widget);
        return;
      }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
  }

 private:
  const TextSubWindow* window_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TextSubWindow

TextSubWindow::TextSubWindow(QWidget* parent) : QMdiSubWindow(parent) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint);
  // Out of the menu until allow_close(); the toolkit shows and hides the entries itself.
  close_entries_ = close_entries(this);
  for (QAction* entry : close_entries_) systemMenu()->removeAction(entry);
  auto* style = new CaptionStyle(this);
  style->setParent(this);
  setStyle(style);
}

void TextSubWindow::allow_close() {
  if (closable_) return;
  closable_ = true;
  if (QMenu* menu = systemMenu()) {
    for (QAction* entry : close_entries_) menu->addAction(entry);
  }
  setWindowFlag(Qt::WindowCloseButtonHint, true);
  show();  // changing the flags hides a widget
}

void TextSubWindow::closeEvent(QCloseEvent* event) {
  if (!closable_) {
    event->ignore();
    return;
  }
  QMdiSubWindow::closeEvent(event);
}

QSize TextSubWindow::image_size() const {
  auto* shown = qobject_cast<ImageWindow*>(widget());
  return shown != nullptr ? shown->image_size() : QSize();
}

void TextSubWindow::fit_to_image() {
  QMdiArea* area = mdiArea();
  const QSize image = image_size();
  if (area == nullptr || image.isEmpty()) return;
  const QSize room = area->viewport()->size();
  if (isMaximized() || isMinimized()) showNormal();
  auto* shown = qobject_cast<ImageWindow*>(widget());
  const QSize frame = size() - (shown != nullptr ? shown->size() : size());
  resize((image + frame).boundedTo(room));
}

void TextSubWindow::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMaximized()) return;
  if (auto* shown = qobject_cast<ImageWindow*>(widget()); shown != nullptr && shown->size_to_fit())
    return;
  QMdiArea* area = mdiArea();
  const QSize image = image_size();
  if (area == nullptr || image.isEmpty()) return;
  const QSize room = area->viewport()->size();
  if (image.width() >= room.width() && image.height() >= room.height()) return;
  // Maximising would show more than the image: the corner of the area at the image's size.
  QTimer::singleShot(0, this, [this] {
    showNormal();
    move(0, 0);
    fit_to_image();
  });
}

void TextSubWindow::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  auto* shown = qobject_cast<ImageWindow*>(widget());
  if (adjusting_ || shown == nullptr || shown->size_to_fit() || isMaximized() || isMinimized())
    return;
  const QSize image = image_size();
  if (image.isEmpty()) return;
  const QSize over = shown->viewport()->size() - image;
  if (over.width() <= 0 && over.height() <= 0) return;
  // Never larger than the image: shrink in place.
  adjusting_ = true;
  resize(size() - QSize(std::max(0, over.width()), std::max(0, over.height())));
  adjusting_ = false;
}

// ---------------------------------------------------------------------------------------------
// TextWindowWidget

TextWindowWidget::TextWindowWidget(Console& console, std::shared_ptr<TextWindow> window,
                                   GuiMailbox& mailbox, QWidget* parent)
    : ImageWindow(console, parent),
      window_(std::move(window)),
      mailbox_(mailbox),
      alive_(std::make_shared<Alive>(Alive{.widget = this})) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  blink_ = new QTimer(this);
  blink_->setInterval(std::max(100, QApplication::cursorFlashTime() / 2));
  connect(blink_, &QTimer::timeout, this, [this] {
    blink_on_ = !blink_on_;
    viewport()->update(caret_rect().adjusted(-1, -1, 1, 1));
    if (!blink_on_) viewport()->update(caret_rect());
  });
  window_->attach_view(this);
}

TextWindowWidget::~TextWindowWidget() {
  window_->attach_view(nullptr);
  alive_->widget = nullptr;
}

bool TextWindowWidget::configure(const WindowConfig& config) {
  DisplayMetrics display;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screen_size = screen != nullptr ? screen->size() : QSize(800, 600);
  display.screen_width = screen_size.width();
  display.screen_height = screen_size.height();
  display.min_window_width = kMinimumWidth;
  display.min_window_height = kMinimumHeight;
  const int depth = screen != nullptr ? screen->depth() : 24;
  display.colours = depth >= 8 ? 256 : 1 << std::max(depth, 1);

  QFont font;
  const ResolvedConfig resolved = resolve_config(config, display, [&](CellSize cell) {
    font = make_font(config, cell);
    return font_cell(font);
  });
  const TextGeometry& g = resolved.geometry;
  BackingImage image(QSize(g.pixel_width, g.pixel_height), QSize(g.cell_width, g.cell_height),
                     font);
  if (image.isNull()) return false;
  {
    std::lock_guard lock(window_->draw_lock());
    image_ = std::move(image);
    window_->model().reset(g);
    caret_cell_ = qrect(window_->model().position_rect());
  }
  window_->set_configured();
  if (config.title) {
    window_->set_title(*config.title);
    set_plain_title(to_qstring(*config.title));
  }
  image_replaced();
  if (auto* sub = qobject_cast<TextSubWindow*>(parentWidget())) {
    sub->show();
    if (QMdiArea* area = sub->mdiArea()) {
      const QSize room = area->viewport()->size();
      if (image_size().width() < room.width() || image_size().height() < room.height())
        sub->fit_to_image();
      area->setActiveSubWindow(sub);
    }
  }
  setFocus();
  return true;
}

QSize TextWindowWidget::cell_size() const {
  std::lock_guard lock(window_->draw_lock());
  const TextGeometry& g = window_->model().geometry();
  return {g.cell_width, g.cell_height};
}

std::string TextWindowWidget::text_of(const TextRange& range) const {
  return window_->with_model([&range](TextModel& model) { return selection_text(model, range); });
}

QRect TextWindowWidget::caret_rect() const {
  if (!focused_) return {};
  std::lock_guard lock(window_->draw_lock());
  return caret_cell_.translated(-scroll_offset());
}

// --- drawing, from any thread under the DrawLock -------------------------------------------------

void TextWindowWidget::draw_text(int x, int y, std::string_view bytes, Colour text,
                                 Colour background) {
  const TextGeometry& g = window_->model().geometry();
  image_.draw_text(x, y, bytes, qcolour(text), qcolour(background));
  damaged(QRect(x, y, static_cast<int>(bytes.size()) * g.cell_width, g.cell_height));
}

void TextWindowWidget::scroll_up(const PixelRect& area, int dy) {
  image_.scroll_up(qrect(area), dy);
  damaged(qrect(area));
}

void TextWindowWidget::fill(const PixelRect& area, Colour colour) {
  image_.fill(qrect(area), qcolour(colour));
  damaged(qrect(area));
}

void TextWindowWidget::text_written() {
  damaged(caret_cell_);
  caret_cell_ = qrect(window_->model().position_rect());
  damaged(caret_cell_);
}

void TextWindowWidget::damaged(const QRect& area) {
  damage_ = damage_.united(area);
  if (repaint_posted_) return;
  repaint_posted_ = true;
  mailbox_.post([alive = alive_] {
    if (alive->widget != nullptr) alive->widget->repaint_damage();
  });
}

void TextWindowWidget::repaint_damage() {
  QRect damage;
  {
    std::lock_guard lock(window_->draw_lock());
    std::swap(damage, damage_);
    repaint_posted_ = false;
  }
  image_changed(damage);
}

// --- GUI thread ---------------------------------------------------------------------------------

void TextWindowWidget::paint_over(QPainter& p, const QRect& target) {
  QRect caret;
  {
    std::lock_guard lock(window_->draw_lock());
    caret = caret_cell_.translated(-scroll_offset());
  }
  if (focused_ && blink_on_ && caret.intersects(target)) {
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(caret, Qt::white);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
}

void TextWindowWidget::scroll(Scroll horizontal, Scroll vertical) {
  if (horizontal != Scroll::None) horizontalScrollBar()->triggerAction(slider_action(horizontal));
  if (vertical != Scroll::None) verticalScrollBar()->triggerAction(slider_action(vertical));
}

void TextWindowWidget::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  focused_ = true;
  blink_on_ = true;
  blink_->start();
  viewport()->update(caret_rect());
}

void TextWindowWidget::focusOutEvent(QFocusEvent* event) {
  const QRect caret = caret_rect();
  QAbstractScrollArea::focusOutEvent(event);
  focused_ = false;
  blink_->stop();
  viewport()->update(caret);
}

void TextWindowWidget::keyPressEvent(QKeyEvent* event) {
  if (selection_key(event->key(), event->modifiers())) return;
  const unsigned modifiers = modifiers_of(event->modifiers());
  const Key key = key_of(event->key());
  if (key != Key::Other) {
    init_menu(console_);  // the items' state as a popup opening now would show it
    const KeyAction action = key_down_action(key, modifiers, console_.menu(),
                                             size_to_fit() ? SizeToFit::On : SizeToFit::Off);
    if (action.command != 0) {
      command(action.command);
      return;
    }
    scroll(action.horizontal, action.vertical);
    if (key != Key::Enter || (modifiers & kAlt) != 0) return;
  }
  const int k = event->key();
  if ((modifiers & kControl) != 0 && (modifiers & kAlt) == 0 && k >= Qt::Key_At &&
      k <= Qt::Key_Underscore) {
    character(static_cast<unsigned char>(k - Qt::Key_At));  // Ctrl+A is 1 ... Ctrl+Z is 26
    return;
  }
  switch (k) {
    case Qt::Key_Escape:
      character(27);
      return;
    case Qt::Key_Backspace:
      character(8);
      return;
    case Qt::Key_Tab:
      character(9);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      character(13);
      return;
    default:
      break;
  }
  if ((modifiers & kAlt) != 0) return;
  for (char c : to_cp1252(event->text())) character(static_cast<unsigned char>(c));
}

void TextWindowWidget::character(unsigned char c) {
  const ReadPending read =
      console_.reading_window() == window_->id() ? ReadPending::Yes : ReadPending::No;
  const CharAction action = route_character(c, read, console_.run_state());
  switch (action.route) {
    case CharRoute::Command:
      command(action.command);
      break;
    case CharRoute::Edit:
      console_.edit_line(*window_, c);
      break;
    case CharRoute::Beep:
      QApplication::beep();
      break;
  }
}

}  // namespace console::window
