#include "console/window/frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

#include "console/window/child_window.h"
#include "console/window/status_bar.h"
#include "console/window/text.h"

namespace console::window {
namespace {

ChildWindow* child_of(QMdiSubWindow* sub) {
  return sub == nullptr ? nullptr : dynamic_cast<ChildWindow*>(sub->widget());
}

}  // namespace

FrameWindow::FrameWindow(Library& library, QWidget* parent)
    : QMainWindow(parent), library_(library), picture_(picture()) {
  setObjectName(to_qstring(library.class_name("FRAME")));
  setWindowTitle(to_qstring(library.application_name()));
  setWindowIcon(picture_);

  auto* area = new QWidget(this);
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  client_ = new QMdiArea(area);
  client_->setObjectName("MDICLIENT");
  status_bar_ = new StatusBar(area);
  status_bar_->setObjectName(to_qstring(library.class_name("STATUSBAR")));
  layout->addWidget(client_, 1);
  layout->addWidget(status_bar_);
  setCentralWidget(area);

  full_ = build_menus(library.menu(), true);
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
  if (ChildWindow* child = child_of(client_->activeSubWindow())) child->init_menu(library_);
  const MenuBarModel model = library_.menu();
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

void FrameWindow::command(int id) {
  switch (id) {
    case command::kExitMinimal:
    case command::kExit:
      install_menu_bar(Bar::Minimal);
      // Closed from the event loop, after the menu that delivered the command has gone.
      QTimer::singleShot(0, this, &QWidget::close);
      return;
    case command::kNothing:
      return;
    default:
      if (ChildWindow* child = child_of(client_->activeSubWindow())) child->command(id);
  }
}

void FrameWindow::refresh_status() {
  status_bar_->set_texts(to_qstring(run_state_text(library_.run_state())),
                         to_qstring(library_.status_message()));
  status_bar_->setVisible(library_.status_line_visible());
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
