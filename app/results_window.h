// The desktop's results window: the results table (results/results_table.h) in a table view, a
// child window of the frame beside the chart windows. The table itself is the model; what is
// here only shows it, sorts and filters it through it, and carries out the frame's menu
// commands on it: Copy (the selected rows, tab-separated with a header), Select All, Save (CSV)
// and Print.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/window/child_window.h"
#include "results/results.h"
#include "results/results_table.h"
#include "results/texts.h"

class QLineEdit;
class QTableView;

namespace app {

// The table as an item model: the rows the variable filter lets through, in the order of the
// last sort (the table's own order before any).
class ResultsItemModel : public QAbstractTableModel {
 public:
  ResultsItemModel(std::shared_ptr<const results::Results> r, results::Language language,
                   QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

  void set_filter(const QString& text);
  const results::ResultsTable& table() const { return table_; }
  // The table's rows as shown, and the one shown at `row`.
  const std::vector<std::size_t>& shown() const { return shown_; }
  std::size_t table_row(int row) const { return shown_[std::size_t(row)]; }

 private:
  void arrange();

  std::shared_ptr<const results::Results> results_;
  results::ResultsTable table_;
  std::string filter_;
  int sort_column_ = -1;
  bool descending_ = false;
  std::vector<std::size_t> shown_;
};

class ResultsWindow : public QWidget, public console::window::ChildWindow {
  Q_OBJECT

 public:
  // Opens or raises the charts of a variable (an index into the results' variables).
  using ChartOpener = std::function<void(std::size_t variable)>;

  ResultsWindow(console::Console& console, std::shared_ptr<const results::Results> r,
                results::Language language, ChartOpener open_chart, QWidget* parent = nullptr);

  QTableView* view() const { return view_; }
  QLineEdit* filter() const { return filter_; }
  ResultsItemModel* model() const { return model_; }
  // The table's rows selected, in the order shown.
  std::vector<std::size_t> selected_rows() const;

  // ChildWindow: Copy, Select All, Save and Print; the frame's own commands stay with it.
  void command(int id) override;
  void init_menu(console::Console& console) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void copy();
  void save();
  void print();
  void open_chart(const QModelIndex& index);

  console::Console& console_;
  ResultsItemModel* model_;
  QLineEdit* filter_;
  QTableView* view_;
  ChartOpener open_chart_;
  QString title_;
};

}  // namespace app
