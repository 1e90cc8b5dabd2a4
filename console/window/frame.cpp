#include "console/window/frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "console/window/child_window.h"
#include "console/window/help_viewer.h"
#include "console/window/status_bar.h"
#include "console/window/text.h"

namespace console::window {
namespace {

ChildWindow* child_of(QMdiSubWindow* sub) {
  return sub == nullptr ? nullptr : dynamic_cast<ChildWindow*>(sub->widget());
}

}  // namespace

FrameWindow::FrameWindow(Console& console, QWidget* parent)
    : QMainWindow(parent), console_(console), picture_(picture()) {
  setObjectName(to_qstring(console.class_name("FRAME")));
  setWindowTitle(to_qstring(console.application_name()));
  setWindowIcon(picture_);

  auto* area = new QWidget(this);
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  client_ = new QMdiArea(area);
  client_->setObjectName("MDICLIENT");
  status_bar_ = new StatusBar(area);
  status_bar_->setObjectName(to_qstring(console.class_name("STATUSBAR")));
  layout->addWidget(client_, 1);
  layout->addWidget(status_bar_);
  setCentralWidget(area);

  full_ = build_menus(console.menu(), true);
  minimal_ = build_menus(MenuBarModel::minimal(), false);
  install_menu_bar(Bar::Minimal);
  connect(client_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
    install_menu_bar(sub != nullptr ? Bar::Full : Bar::Minimal);
  });

  resize(800, 560);
  refresh_status();
}

FrameWindow::~FrameWindow() {
  // The client deactivates its children while it goes; the menus are gone by then.
  disconnect(client_, nullptr, this, nullptr);
}

std::vector<FrameWindow::Popup> FrameWindow::build_menus(const MenuBarModel& model, bool full) {
  std::vector<Popup> popups;
  for (std::size_t p = 0; p < model.popups().size(); ++p) {
    const MenuPopup& popup = model.popups()[p];
    auto* menu = new QMenu(to_qstring(popup.title), this);
    for (const MenuItem& item : popup.items) {
      QAction* action = menu->addAction(to_qstring(item.text));
      action->setData(item.id);
      action->setEnabled(item.enabled);
      action->setCheckable(item.id == command::kSizeToFit || item.id == command::kStatusBar);
      action->setChecked(item.checked);
      // The accelerator after the tab is a label; the keys belong to the text window.
      connect(action, &QAction::triggered, this,
              [this, action] { command(action->data().toInt()); });
    }
    menu->installEventFilter(this);  // F1: help mode
    popups.push_back({menu, p});
    connect(menu, &QMenu::aboutToShow, this,
            [this, full, p] { init_menu(full ? full_[p] : minimal_[p], full); });
  }
  return popups;
}

void FrameWindow::install_menu_bar(Bar bar) {
  installed_ = bar;
  QMenuBar* menus = menuBar();
  menus->clear();
  for (const Popup& popup : bar == Bar::Full ? full_ : minimal_) menus->addMenu(popup.menu);
}

void FrameWindow::init_menu(const Popup& popup, bool full) {
  if (!full) return;
  if (ChildWindow* child = child_of(client_->activeSubWindow())) child->init_menu(console_);
  const MenuBarModel model = console_.menu();
  const std::vector<MenuItem>& items = model.popups()[popup.index].items;
  const QList<QAction*> actions = popup.menu->actions();
  for (qsizetype i = 0; i < actions.size() && i < static_cast<qsizetype>(items.size()); ++i) {
    const MenuItem& item = items[i];
    actions[i]->setData(item.id);
    actions[i]->setText(to_qstring(item.text));
    actions[i]->setEnabled(item.enabled);
    actions[i]->setChecked(item.checked);
  }
}

QString FrameWindow::caption() const {
  return to_qstring(console_.application_name());
}

void FrameWindow::command(int id) {
  if (help_mode_) {
    help_mode_ = false;
    help_for_command(this, caption(), id);
    return;
  }
  switch (id) {
    case command::kExitMinimal:
    case command::kExit:
      install_menu_bar(Bar::Minimal);
      // Closed from the event loop, after the menu that delivered the command has gone.
      QTimer::singleShot(0, this, &QWidget::close);
      return;
    case command::kNothing:
      return;
    case command::kCascade:
      client_->cascadeSubWindows();
      return;
    case command::kTile:
      tile_vertically();
      return;
    case command::kArrangeIcons:
      arrange_icons();
      return;
    case command::kStatusBar:
      console_.show_status_line(console_.status_line_visible() ? 0 : 1);
      refresh_status();
      centralWidget()->layout()->activate();
      return;
    case command::kContents:
      open_help(this, caption(), std::nullopt);
      return;
    case command::kUsingHelp:
      show_using_help(this, caption());
      return;
    case command::kAbout:
      show_about(this, caption());
      return;
    default:
      if (ChildWindow* child = child_of(client_->activeSubWindow())) child->command(id);
  }
}

bool FrameWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* menu = qobject_cast<QMenu*>(watched);
  if (menu == nullptr || event->type() != QEvent::KeyPress ||
      static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
    return QMainWindow::eventFilter(watched, event);
  QAction* item = menu->activeAction();
  if (item == nullptr || item->isSeparator() || item->menu() != nullptr) return true;
  // The highlighted item is chosen in help mode, grayed or not: its help instead of the command,
  // once the menu has closed.
  const int id = item->data().toInt();
  menu->hide();
  QTimer::singleShot(0, this, [this, id] {
    set_help_mode();
    command(id);
  });
  return true;
}

void FrameWindow::tile_vertically() {
  QList<QMdiSubWindow*> shown;
  for (QMdiSubWindow* sub : client_->subWindowList()) {
    if (sub->isVisible() && !sub->isMinimized()) shown << sub;
  }
  if (shown.isEmpty()) return;
  const QSize room = client_->viewport()->size();
  const int n = static_cast<int>(shown.size());
  const int columns = n <= 3 ? n : static_cast<int>(std::ceil(std::sqrt(n)));
  int index = 0;
  for (int column = 0; column < columns; ++column) {
    // The first columns take the windows that do not divide evenly.
    const int in_column = n / columns + (column < n % columns ? 1 : 0);
    const int left = room.width() * column / columns;
    const int width = room.width() * (column + 1) / columns - left;
    for (int row = 0; row < in_column; ++row, ++index) {
      QMdiSubWindow* sub = shown[index];
      if (sub->isMaximized()) sub->showNormal();
      const int top = room.height() * row / in_column;
      sub->setGeometry(left, top, width, room.height() * (row + 1) / in_column - top);
    }
  }
}

void FrameWindow::arrange_icons() {
  const QSize room = client_->viewport()->size();
  int x = 0;
  int y = room.height();
  int row_height = 0;
  for (QMdiSubWindow* sub : client_->subWindowList()) {
    if (!sub->isMinimized()) continue;
    const QSize icon = sub->size();
    if (x > 0 && x + icon.width() > room.width()) {
      x = 0;
      y -= row_height;
      row_height = 0;
    }
    if (row_height == 0) row_height = icon.height();
    sub->move(x, y - row_height);
    x += icon.width();
  }
}

void FrameWindow::refresh_status() {
  status_bar_->set_texts(to_qstring(run_state_text(console_.run_state())),
                         to_qstring(console_.status_message()));
  status_bar_->setVisible(console_.status_line_visible());
}

void FrameWindow::closeEvent(QCloseEvent* event) {
  install_menu_bar(Bar::Minimal);
  event->accept();
  if (!closing_emitted_) {
    closing_emitted_ = true;
    emit closing();
  }
}

void FrameWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    centralWidget()->setVisible(!isMinimized());
    update();
  }
}

void FrameWindow::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  if (!isMinimized()) return;
  QPainter p(this);
  p.drawPixmap(rect(), picture_);
}

QPixmap FrameWindow::picture() {
  // A small report page with a convergence curve falling towards its asymptote.
  QPixmap pixmap(64, 64);
  pixmap.fill(QColor(0, 0, 128));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(10, 6, 44, 52);
  p.setPen(QPen(QColor(192, 192, 192), 1));
  for (int y = 14; y < 56; y += 8) p.drawLine(14, y, 50, y);
  p.setPen(QPen(QColor(128, 0, 0), 1.5));
  p.drawLine(16, 50, 16, 12);
  p.drawLine(16, 50, 50, 50);
  p.setPen(QPen(QColor(0, 128, 0), 2));
  QPainterPath curve(QPointF(18, 14));
  curve.cubicTo(QPointF(24, 38), QPointF(32, 44), QPointF(48, 45));
  p.setBrush(Qt::NoBrush);
  p.drawPath(curve);
  p.setPen(QPen(QColor(255, 0, 0), 1, Qt::DashLine));
  p.drawLine(18, 46, 50, 46);
  return pixmap;
}

}  // namespace console::window
