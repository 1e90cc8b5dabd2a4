// The results window in a frame of its own: the table's rows through the view (sorted by a
// header or from the keyboard, filtered by variable, coloured by class), the frame's Copy, Save
// and Print acting on it, its menu items, a row opening its variable's charts, and the layout
// that puts the results window and the charts side by side on the screen.
#ifdef TAVO_HAVE_PLOTS
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QPrinter>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

#include "app/desktop.h"
#include "app/results_window.h"
#include "box_helpers.h"
#include "console/core/program_end.h"
#include "console/window/picture_window.h"
#include "console/window/print_save.h"
#include "frame_fixture.h"
#include "model/variable_arrays.h"
#include "registry.h"
#include "results/results.h"

namespace {

using results::TableColumn;
using Scheme = model::VariableArrays::Scheme;

// Results that keep the arrays they read: 1 + h^2 (order 2) and a quantity whose last triplet
// diverges, on four meshes.
std::shared_ptr<const results::Results> two_quantities() {
  struct Kept {
    std::vector<std::unique_ptr<model::VariableArrays>> arrays;
    results::Results results;
  };
  auto kept = std::make_shared<Kept>();
  model::Numbers numbers;
  const std::vector<double> h = {0.4, 0.2, 0.1, 0.05};
  for (auto [number, name, values] :
       {std::tuple{1, "Lift", std::vector<double>{1.16, 1.04, 1.01, 1.0025}},
        std::tuple{2, "drag", std::vector<double>{2, 1.5, 1.25, 1.5}}}) {
    kept->arrays.push_back(std::make_unique<model::VariableArrays>(
        number, name, model::kUndefined, std::vector<Scheme>{{"solution", 2, h, values}},
        model::OrderSolver{}, false));
    numbers.variables.push_back(kept->arrays.back()->numbers());
  }
  kept->results = results::compute(std::move(numbers), {}, "1.0");
  return {kept, &kept->results};
}

QString column_text(const app::ResultsItemModel& m, TableColumn c) {
  QStringList cells;
  for (int row = 0; row < m.rowCount(); ++row)
    cells << m.data(m.index(row, int(c)), Qt::DisplayRole).toString();
  return cells.join(' ');
}

class ResultsWindowTest : public QObject {
  Q_OBJECT

  tavo::testing::FrameFixture f_;
  QTemporaryDir dir_;
  std::vector<std::size_t> opened_;  // the variables whose charts a row asked for

  app::ResultsWindow* open_window(std::shared_ptr<const results::Results> r) {
    auto* window = new app::ResultsWindow(*f_.console_, std::move(r), results::Language::English,
                                          [this](std::size_t v) { opened_.push_back(v); });
    auto* sub = new QMdiSubWindow;
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWidget(window);
    f_.front_->add_child_window(sub, QRect(0, 0, 860, 400));
    f_.frame_->client()->setActiveSubWindow(sub);
    return window;
  }

 private slots:
  void init() {
    f_.set_up();
    opened_.clear();
  }
  void cleanup() {
    console::window::set_print_system({});
    f_.tear_down();
  }

  void sortsFiltersAndColoursThroughTheView() {
    app::ResultsWindow* w = open_window(two_quantities());
    const app::ResultsItemModel& m = *w->model();
    QCOMPARE(m.rowCount(), 8);
    QCOMPARE(column_text(m, TableColumn::Mesh), QString("1 2 3 4 1 2 3 4"));

    // A header click sorts; rows without a number stay last.
    w->view()->horizontalHeader()->setSortIndicator(int(TableColumn::ApparentOrder),
                                                    Qt::AscendingOrder);
    QCOMPARE(QList<std::size_t>(m.shown().begin(), m.shown().end()),
             QList<std::size_t>({7, 6, 3, 2, 0, 1, 4, 5}));
    // From the keyboard: the context menu's item for a column, chosen again, turns the order.
    QList<QAction*> sorts = w->view()->actions();
    QCOMPARE(sorts.size(), int(m.table().columns()));
    QCOMPARE(sorts[int(TableColumn::H)]->text(), QString("Sort by h"));
    sorts[int(TableColumn::H)]->trigger();
    QCOMPARE(column_text(m, TableColumn::H), QString("0.05 0.05 0.1 0.1 0.2 0.2 0.4 0.4"));
    sorts[int(TableColumn::H)]->trigger();
    QCOMPARE(column_text(m, TableColumn::H), QString("0.4 0.4 0.2 0.2 0.1 0.1 0.05 0.05"));

    // The filter keeps the sort and matches the variable's number and name, whatever the case.
    QTest::keyClicks(w->filter(), "DRAG");
    QCOMPARE(column_text(m, TableColumn::Variable), QString("2 drag 2 drag 2 drag 2 drag"));
    QCOMPARE(column_text(m, TableColumn::H), QString("0.4 0.2 0.1 0.05"));
    w->filter()->clear();
    QCOMPARE(m.rowCount(), 8);

    // The class cell is coloured: converging green, diverging red, nothing without a class.
    const auto colour = [&](std::size_t table_row) {
      const auto at = std::find(m.shown().begin(), m.shown().end(), table_row);
      const QVariant v =
          m.data(m.index(int(at - m.shown().begin()), int(TableColumn::Class)), Qt::BackgroundRole);
      return v.isValid() ? v.value<QColor>() : QColor();
    };
    QVERIFY(colour(3).green() > colour(3).red());
    QVERIFY(colour(7).red() > colour(7).green());
    QVERIFY(!colour(0).isValid());
  }

  void theFramesCommandsActOnTheTable() {
    app::ResultsWindow* w = open_window(two_quantities());
    const results::ResultsTable& table = w->model()->table();
    w->view()->clearSelection();
    QVERIFY(!f_.item("&Edit", console::command::kCopy)->isEnabled());
    QVERIFY(f_.item("&Edit", console::command::kSelectAll)->isEnabled());
    for (int id : {console::command::kSelectText, console::command::kSelectGraphics})
      QVERIFY(!f_.item("&Edit", id)->isEnabled());

    // Copy: the selected rows with the header, tab-separated.
    w->view()->selectRow(4);
    QTest::keyClick(w->view(), Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(f_.item("&Edit", console::command::kCopy)->isEnabled());
    f_.frame_->command(console::command::kCopy);
    const std::vector<std::size_t> picked{4, 5};
    const QString rows = QString::fromStdString(table.tab_separated(picked));
    QCOMPARE(QGuiApplication::clipboard()->text(), rows);
    // Ctrl+C in the table copies the same, not the current cell alone.
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(w->view(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), rows);
    f_.frame_->command(console::command::kSelectAll);
    QCOMPARE(w->selected_rows().size(), std::size_t(8));

    // Save: the rows shown, as CSV, in the order shown.
    w->view()->sortByColumn(int(TableColumn::Gci), Qt::DescendingOrder);
    QStringList filters;
    tavo::testing::save_as(f_.frame_.get(), "CSV Files(*.csv)", dir_.filePath("results.csv"),
                           [&](const QStringList& seen) { filters = seen; });
    QCOMPARE(filters, QStringList({"CSV Files(*.csv)", "All Files(*.*)"}));
    QFile saved(dir_.filePath("results.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().toStdString(), table.csv(w->model()->shown()));

    // Print: one document with the table's texts.
    const QString pdf = dir_.filePath("printed.pdf");
    console::window::set_print_system({[] { return QStringList{"pdf"}; },
                                       [pdf](QPrinter& printer, QWidget*) {
                                         printer.setOutputFormat(QPrinter::PdfFormat);
                                         printer.setOutputFileName(pdf);
                                         return true;
                                       }});
    f_.frame_->command(console::command::kPrint);
    QFile printed(pdf);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    const QByteArray bytes = printed.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.trimmed().endsWith("%%EOF"));
  }

  void aRowOpensItsVariablesCharts() {
    app::ResultsWindow* w = open_window(two_quantities());
    w->view()->setFocus();
    w->view()->setCurrentIndex(w->model()->index(5, 0));
    QTest::keyClick(w->view(), Qt::Key_Return);
    const QRect first = w->view()->visualRect(w->model()->index(1, 3));
    // A double-click, as the toolkit gets it: press, release, then the double press.
    QTest::mouseClick(w->view()->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(w->view()->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(opened_, (std::vector<std::size_t>{1, 0}));
  }

  // The whole desktop: the results window and every chart inside the maximised frame, the
  // first variable's charts on top and clear of the results window; a row raises its charts, or
  // opens them again once closed.
  void theWindowsFitTheFrame() {
    const auto r = two_quantities();
    const console::ExitMode mode = console::exit_mode();
    tavo::testing::on_program_thread(
        [r] { app::open_result_windows(r, results::Language::English, true); });
    console::set_exit_mode(int(mode));
    QMdiArea* area = f_.frame_->client();
    QTRY_COMPARE(area->subWindowList().size(), 5);
    QVERIFY(f_.frame_->isMaximized());
    const QRect room(QPoint(0, 0), area->viewport()->size());
    QMdiSubWindow* results = nullptr;
    QList<QMdiSubWindow*> charts;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::StackingOrder)) {
      QVERIFY(room.contains(sub->geometry()));
      auto* picture = qobject_cast<console::window::PictureWindow*>(sub->widget());
      if (picture == nullptr) {
        results = sub;
        continue;
      }
      charts << sub;
      QVERIFY(!picture->horizontalScrollBar()->isVisible());
      QVERIFY(!picture->verticalScrollBar()->isVisible());
    }
    QVERIFY(results != nullptr);
    QCOMPARE(charts.size(), 4);
    // Stacking order, bottom first: the first variable's charts are the top two.
    QCOMPARE(charts[2]->windowTitle(), QString("1 - Lift (values)"));
    QCOMPARE(charts[3]->windowTitle(), QString("1 - Lift"));
    QVERIFY(!charts[2]->geometry().intersects(charts[3]->geometry()));
    for (QMdiSubWindow* chart : charts) QVERIFY(!chart->geometry().intersects(results->geometry()));
    QTRY_COMPARE(area->activeSubWindow(), results);

    auto* table = qobject_cast<app::ResultsWindow*>(results->widget());
    charts[3]->close();
    QTRY_COMPARE(area->subWindowList().size(), 4);
    table->view()->setCurrentIndex(table->model()->index(0, 0));
    QTest::keyClick(table->view(), Qt::Key_Return);
    QCOMPARE(area->subWindowList().size(), 5);
    QCOMPARE(area->activeSubWindow()->windowTitle(), QString("1 - Lift"));
  }

  void theLayoutKeepsEveryWindowInItsPlace() {
    for (const QSize room : {QSize(1270, 700), QSize(780, 500), QSize(1900, 1000)}) {
      for (std::size_t variables : {1, 3, 8, 20}) {
        const app::DesktopLayout l = app::desktop_layout(room, 24, variables);
        const QRect all(QPoint(0, 0), room);
        QVERIFY(all.contains(l.results) && all.contains(l.charts));
        QVERIFY(!l.results.intersects(l.charts));
        for (std::size_t v = 0; v < variables; ++v) {
          QVERIFY(l.charts.contains(l.chart(v, 0)) && l.charts.contains(l.chart(v, 1)));
          QVERIFY(!l.chart(v, 0).intersects(l.chart(v, 1)));
        }
        // Each later row's caption shows above and to the left of the rows before it.
        if (variables > 1)
          QCOMPARE(l.chart(1, 0).topLeft(), l.chart(0, 0).topLeft() - QPoint(24, 24));
      }
    }
    // A chart keeps its shape and is never drawn larger than its file.
    QCOMPARE(app::fitted_chart_size(QSize(1200, 800), QSize(600, 600)), QSize(600, 400));
    QCOMPARE(app::fitted_chart_size(QSize(1200, 800), QSize(3000, 400)), QSize(600, 400));
    QCOMPARE(app::fitted_chart_size(QSize(1200, 800), QSize(5000, 5000)), QSize(1200, 800));
  }
};

static tavo::testing::RegisterTest<ResultsWindowTest> register_results_window_test;

}  // namespace

#include "results_window_test.moc"
#endif
