// The frame window: an MDI area with the status line beneath it, the full and the minimal menu
// bars, and the picture it shows while minimised. The frame carries out the commands that concern
// it (Exit, Cascade, Tile, Arrange Icons, Status Bar, Contents, Using Help, About) and hands the
// others to the active child window. F1 on a menu item chooses it in help mode: its help opens
// instead.
#pragma once

#include <QMainWindow>
#include <QPixmap>

#include <vector>

#include "console/core/console.h"

class QMdiArea;
class QMenu;

namespace console::window {

class StatusBar;

class FrameWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit FrameWindow(Console& console, QWidget* parent = nullptr);
  ~FrameWindow() override;

  QMdiArea* client() const { return client_; }
  StatusBar* status_bar() const { return status_bar_; }

  enum class Bar { Full, Minimal };
  void install_menu_bar(Bar bar);
  Bar installed_menu_bar() const { return installed_; }

  // A menu command, as if chosen in the menus.
  void command(int id);
  // The next command is taken in help mode (F1 held on a menu item).
  void set_help_mode() { help_mode_ = true; }
  // Reads the run state, the status message and the status line's visibility from the console.
  void refresh_status();

  // The small picture painted while the frame is minimised (also its window icon).
  static QPixmap picture();

 signals:
  // The frame is closing (Exit, the close box, or a close request); emitted once.
  void closing();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Popup {
    QMenu* menu = nullptr;
    std::size_t index = 0;  // in the model's popups
  };
  std::vector<Popup> build_menus(const MenuBarModel& model, bool full);
  void init_menu(const Popup& popup, bool full);
  QString caption() const;
  // The child windows side by side, each as tall as the area (a grid from four on).
  void tile_vertically();
  // The minimised child windows in rows along the area's bottom edge.
  void arrange_icons();

  Console& console_;
  QMdiArea* client_ = nullptr;
  StatusBar* status_bar_ = nullptr;
  std::vector<Popup> full_;
  std::vector<Popup> minimal_;
  Bar installed_ = Bar::Minimal;
  bool closing_emitted_ = false;
  bool help_mode_ = false;
  QPixmap picture_;
};

}  // namespace console::window
