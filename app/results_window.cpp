#include "app/results_window.h"

#include <QAction>
#include <QClipboard>
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "app/outputs.h"
#include "console/core/console.h"
#include "console/core/menu.h"
#include "console/window/print_save.h"
#include "console/window/text.h"

namespace app {
namespace {

using console::window::from_utf8;
using results::numeric_column;
using results::TableColumn;

// Light backgrounds, so that the text stays readable: converging green, oscillating amber,
// diverging red.
std::optional<QColor> class_colour(results::Convergence c) {
  switch (c) {
    case results::Convergence::Monotonic:
      return QColor(0xd4, 0xee, 0xd4);
    case results::Convergence::Oscillatory:
      return QColor(0xfb, 0xe6, 0xb8);
    case results::Convergence::Divergent:
    case results::Convergence::OscillatoryDivergent:
      return QColor(0xf6, 0xcc, 0xcc);
    case results::Convergence::None:
      break;
  }
  return std::nullopt;
}

// The rows as an HTML table for the printed page.
QString html_table(const results::ResultsTable& table, const std::vector<std::size_t>& rows,
                   const QString& title) {
  QString html = "<h3>" + title.toHtmlEscaped() +
                 "</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>";
  for (std::size_t c = 0; c < table.columns(); ++c)
    html += "<th>" + from_utf8(table.header(TableColumn(c))).toHtmlEscaped() + "</th>";
  html += "</tr>";
  for (std::size_t row : rows) {
    html += "<tr>";
    for (std::size_t c = 0; c < table.columns(); ++c) {
      const TableColumn column = TableColumn(c);
      html += numeric_column(column) ? "<td align=\"right\">" : "<td>";
      html += QString::fromStdString(table.text(row, column)).toHtmlEscaped() + "</td>";
    }
    html += "</tr>";
  }
  return html + "</table>";
}

// `document` over as many pages as it takes, at the printer's resolution.
bool paint_document(QTextDocument& document, QPainter& painter, QPrinter& printer) {
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  if (page.width() <= 0 || page.height() <= 0) return false;
  // Laid out at the screen's scale, then scaled to the printer's dots.
  const double scale = printer.logicalDpiX() / 96.0;
  document.setPageSize(QSizeF(page.width() / scale, page.height() / scale));
  const double height = document.pageSize().height();
  const int pages = std::max(1, document.pageCount());
  for (int p = 0; p < pages; ++p) {
    if (p > 0 && !printer.newPage()) return false;
    painter.save();
    painter.scale(scale, scale);
    painter.translate(0, -p * height);
    document.drawContents(&painter, QRectF(0, p * height, document.pageSize().width(), height));
    painter.restore();
  }
  return true;
}

}  // namespace

ResultsItemModel::ResultsItemModel(std::shared_ptr<const results::Results> r,
                                   results::Language language, QObject* parent)
    : QAbstractTableModel(parent), results_(std::move(r)), table_(*results_, language) {
  arrange();
}

int ResultsItemModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(shown_.size());
}

int ResultsItemModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(table_.columns());
}

QVariant ResultsItemModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const std::size_t row = table_row(index.row());
  const auto column = TableColumn(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(table_.text(row, column));
    case Qt::TextAlignmentRole:
      return numeric_column(column) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                    : int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      if (column == TableColumn::Class) {
        if (std::optional<QColor> colour = class_colour(table_.convergence(row))) return *colour;
      }
      return {};
    default:
      return {};
  }
}

QVariant ResultsItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return from_utf8(table_.header(TableColumn(section)));
}

void ResultsItemModel::sort(int column, Qt::SortOrder order) {
  sort_column_ = column;
  descending_ = order == Qt::DescendingOrder;
  emit layoutAboutToBeChanged();
  arrange();
  emit layoutChanged();
}

void ResultsItemModel::set_filter(const QString& text) {
  beginResetModel();
  filter_ = text.toStdString();
  arrange();
  endResetModel();
}

void ResultsItemModel::arrange() {
  std::vector<std::size_t> order;
  if (sort_column_ >= 0 && sort_column_ < int(table_.columns())) {
    order = table_.sorted(TableColumn(sort_column_), descending_);
  } else {
    order.resize(table_.rows());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  }
  shown_.clear();
  for (std::size_t row : order)
    if (table_.matches(row, filter_)) shown_.push_back(row);
}

ResultsWindow::ResultsWindow(console::Console& console, std::shared_ptr<const results::Results> r,
                             results::Language language, ChartOpener open_chart, QWidget* parent)
    : QWidget(parent),
      console_(console),
      model_(new ResultsItemModel(std::move(r), language, this)),
      filter_(new QLineEdit(this)),
      view_(new QTableView(this)),
      open_chart_(std::move(open_chart)) {
  const results::Texts& texts = results::texts(language);
  title_ = from_utf8(texts.window.title);
  setObjectName("Results");
  setWindowTitle(title_);

  auto* label = new QLabel(from_utf8(texts.window.filter), this);
  label->setBuddy(filter_);
  filter_->setObjectName("filter");
  filter_->setClearButtonEnabled(true);
  connect(filter_, &QLineEdit::textChanged, model_, &ResultsItemModel::set_filter);

  view_->setObjectName("table");
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setAlternatingRowColors(true);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setSortIndicatorShown(true);
  view_->setSortingEnabled(true);
  view_->sortByColumn(-1, Qt::AscendingOrder);  // the table's order until a header is clicked
  view_->resizeColumnsToContents();
  // Double-click or Enter.
  connect(view_, &QTableView::activated, this, &ResultsWindow::open_chart);

  // Sorting from the keyboard: the context menu (Menu key, Shift+F10) has one item per column;
  // choosing the column already sorted by turns its order round.
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);
  for (int c = 0; c < model_->columnCount(); ++c) {
    const QString header = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    auto* sort = new QAction(from_utf8(texts.window.sort_by).replace("%2", header), view_);
    connect(sort, &QAction::triggered, this, [this, c] {
      QHeaderView* h = view_->horizontalHeader();
      const bool again =
          h->sortIndicatorSection() == c && h->sortIndicatorOrder() == Qt::AscendingOrder;
      view_->sortByColumn(c, again ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
    view_->addAction(sort);
  }

  auto* top = new QHBoxLayout;
  top->addWidget(label);
  top->addWidget(filter_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(top);
  layout->addWidget(view_, 1);
  // Ctrl+C copies the selected rows as Edit > Copy does, not the view's current cell alone.
  view_->installEventFilter(this);
  setFocusProxy(view_);
  if (model_->rowCount() > 0) view_->setCurrentIndex(model_->index(0, 0));
}

bool ResultsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    copy();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

std::vector<std::size_t> ResultsWindow::selected_rows() const {
  std::set<int> picked;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows())
    picked.insert(index.row());
  std::vector<std::size_t> rows;
  for (int row : picked) rows.push_back(model_->table_row(row));
  return rows;
}

void ResultsWindow::command(int id) {
  namespace command = console::command;
  switch (id) {
    case command::kCopy:
      copy();
      break;
    case command::kSelectAll:
      view_->selectAll();
      break;
    case command::kSave:
      save();
      break;
    case command::kPrint:
      print();
      break;
    default:
      break;  // the other commands concern text and pictures
  }
}

void ResultsWindow::init_menu(console::Console& console) {
  namespace command = console::command;
  console.apply_menu_context(console.menu_context());
  for (int id :
       {command::kSelectText, command::kSelectGraphics, command::kSizeToFit, command::kFullScreen,
        command::kPause, command::kResume, command::kPaste, command::kClearPaste, command::kInput})
    console.set_menu_item_enabled(id, false);
  console.set_menu_item_enabled(command::kSelectAll, model_->rowCount() > 0);
  console.set_menu_item_enabled(command::kCopy, view_->selectionModel()->hasSelection());
}

void ResultsWindow::copy() {
  const std::vector<std::size_t> rows = selected_rows();
  if (rows.empty()) return;
  QGuiApplication::clipboard()->setText(
      QString::fromStdString(model_->table().tab_separated(rows)));
}

void ResultsWindow::save() {
  const std::optional<console::window::SaveChoice> choice = console::window::ask_save_file(
      window(), {QStringLiteral("CSV Files(*.csv)"), console::window::kAllFilesFilter});
  if (!choice) return;
  const std::string path = QFile::encodeName(choice->path).toStdString();
  if (const std::error_code ec = results::write_output(path, model_->table().csv(model_->shown())))
    show_failure("cannot write " + choice->path.toStdString() + ": " + ec.message());
}

void ResultsWindow::print() {
  QTextDocument document;
  document.setDefaultFont(font());
  document.setHtml(html_table(model_->table(), model_->shown(), title_));
  console::window::print_pages(window(), title_,
                               console::window::to_qstring(console_.application_name()),
                               [&document](QPainter& painter, QPrinter& printer) {
                                 return paint_document(document, painter, printer);
                               });
}

void ResultsWindow::open_chart(const QModelIndex& index) {
  if (index.isValid() && open_chart_)
    open_chart_(model_->table().variable(model_->table_row(index.row())));
}

}  // namespace app
