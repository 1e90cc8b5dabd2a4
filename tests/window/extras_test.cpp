// The extras in the desktop front end, each case in a child process: the charts are drawn on
// the GUI thread for the program thread, an output that cannot be written shows a box and ends
// the process with status 2 after the frame has closed, and after a run with the editor the
// results window and the charts open in the frame, which stays until it is closed.
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include "app/extras.h"
#include "box_helpers.h"
#include "child_process.h"
#include "console/core/program_end.h"
#ifdef TAVO_HAVE_PLOTS
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>

#include "analysis/run_numbers.h"
#include "console/core/menu.h"
#include "console/window/frame.h"
#include "console/window/image_window.h"
#include "plots/charts.h"
#include "results/results.h"
#endif
#include "recio/process_end.h"
#include "registry.h"

namespace {

using tavo::testing::say;

// Answers the failure's box, and reports it on standard output for the parent.
void answer_boxes() {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [] {
    static QPointer<QMessageBox> last;
    QMessageBox* box = tavo::testing::visible_box();
    if (box == nullptr || box == last) return;
    last = box;
    say(QString("box|%1|%2|%3").arg(box->windowTitle(), box->text()).arg(int(box->icon())));
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
  });
  timer->start(20);
}

int run_tavo(int& argc, char** argv, const app::RunOptions& options,
             void (*watch)() = answer_boxes) {
  return tavo::testing::run_console(
      argc, argv, watch, [options] { app::run_program(options, "1.0"); }, recio::run_exit_handler);
}

#ifdef TAVO_HAVE_PLOTS
using tavo::testing::save_as;
using tavo::testing::visible_top_level;

// Once the program has ended and a moment has passed: reports the frame's windows and whether
// each shows its variable's chart, saves the first through the chart filters, closes the frame.
void check_chart_windows() {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer] {
    static QElapsedTimer since_end;
    if (QMessageBox* box = tavo::testing::visible_box()) {
      say("box|" + box->text());
      box->done(QMessageBox::Yes);
      return;
    }
    if (console::process_ender() != console::ProcessEnder::Program) return;
    if (!since_end.isValid()) since_end.start();
    if (since_end.elapsed() < 500) return;
    timer->stop();
    auto* frame = visible_top_level<console::window::FrameWindow>();
    say(QString("frame|%1").arg(int(frame != nullptr)));
    if (frame == nullptr) return;
    QFile log("editor.log");
    log.open(QIODevice::ReadOnly);
    say("editor|" + QString::fromUtf8(log.readAll().replace('\n', ';')));
    const results::Results r =
        results::compute(analysis::run_numbers(analysis::state()), {}, "1.0");
    QMdiArea* area = frame->client();
    const QList<QMdiSubWindow*> subs = area->subWindowList();
    const QRect room(QPoint(0, 0), area->viewport()->size());
    // The results window, then the charts from the last variable's up: its value chart, then
    // its convergence chart. Each inside the frame, without scroll bars.
    constexpr std::size_t kPerVariable = std::size(plots::kCharts);
    for (qsizetype i = 0; i < subs.size(); ++i) {
      auto* shown = qobject_cast<console::window::ImageWindow*>(subs[i]->widget());
      bool drawn = false;
      if (shown != nullptr && i >= 1 && std::size_t(i) <= r.size() * kPerVariable) {
        const std::size_t chart = std::size_t(i) - 1;
        const QImage image = shown->snapshot();
        drawn = !image.isNull() && !shown->horizontalScrollBar()->isVisible() &&
                !shown->verticalScrollBar()->isVisible() &&
                plots::render_image(r.variable(r.size() - 1 - chart / kPerVariable),
                                    plots::kCharts[chart % kPerVariable],
                                    results::Language::English, image.size()) == image;
      }
      say(QString("window|%1|%2|%3")
              .arg(subs[i]->windowTitle())
              .arg(int(room.contains(subs[i]->geometry())))
              .arg(int(drawn)));
    }
    say(QString("windows|%1").arg(subs.size()));
    area->setActiveSubWindow(subs.value(subs.size() - 2));
    const auto filters = [](const QStringList& f) { say("filters|" + f.join(';')); };
    save_as(frame, "SVG Files(*.svg)", "grafico", filters);
    save_as(frame, "PDF Files(*.pdf)", "grafico", filters);
    frame->close();
  });
  timer->start(20);
}
#endif

const bool registered = [] {
  using tavo::testing::register_scenario;
  register_scenario("tavo-extras", [](int& argc, char** argv) {
    app::RunOptions o;
    o.editor = analysis::EditorUse::Skip;
    const std::string folder = std::getenv("TAVO_TEST_CASE");
    o.out.json = folder + "/r.json";
    o.out.plots = folder + "/charts";
    o.out.plot_format = "png";
    return run_tavo(argc, argv, o);
  });
  register_scenario("tavo-extras-unwritable", [](int& argc, char** argv) {
    app::RunOptions o;
    o.editor = analysis::EditorUse::Skip;
    o.out.json = "/nonexistent-tavo/r.json";
    return run_tavo(argc, argv, o);
  });
#ifdef TAVO_HAVE_PLOTS
  register_scenario("tavo-chart-windows", [](int& argc, char** argv) {
    app::RunOptions o;  // the editor opens: a stub on PATH
    o.out.plots = std::string(std::getenv("TAVO_TEST_CASE")) + "/charts";
    return run_tavo(argc, argv, o, check_chart_windows);
  });
#endif
  return true;
}();

using tavo::testing::case_environment;
using tavo::testing::ChildRun;
using tavo::testing::read_file;
using tavo::testing::run_scenario;

class ExtrasWindowTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString copy_example() {
    tavo::testing::copy_files(QString(TAVO_SOURCE_DIR) + "/examples/constant-ratio", dir_.path());
    return dir_.path();
  }

 private slots:
  void chartsAreDrawnForTheProgram() {
    const ChildRun r = run_scenario("tavo-extras", case_environment(copy_example()));
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(r.out, QString());  // no box
    QVERIFY(read_file(dir_.filePath("r.json")).startsWith("{\n  \"program\": \"Tavo\""));
    const QStringList charts = QDir(dir_.filePath("charts")).entryList({"*.png"}, QDir::Files);
    QCOMPARE(charts.size(), 6);
    for (const QString& name : charts) {
      QImage image;
      QVERIFY(image.load(dir_.filePath("charts/" + name), "PNG"));
      QVERIFY(!image.isNull());
    }
  }

  void chartsOpenAsWindowsAfterTheEditorAndTheFrameStaysUntilClosed() {
#ifndef TAVO_HAVE_PLOTS
    QSKIP("built without the charts");
#else
    const QString folder = copy_example();
    tavo::testing::write_stub_notepad(folder + "/bin", folder + "/editor.log");

    const ChildRun r =
        run_scenario("tavo-chart-windows", case_environment(folder, folder + "/bin"));
    // The frame stayed after the run, with no box, until it was closed; then status 0.
    QCOMPARE(r.exit_code, 0);
    const QStringList lines = r.lines();
    QCOMPARE(lines.value(0), QString("frame|1"));
    QCOMPARE(lines.value(1), QString("editor|dados.r33;relatorio.txt;"));
    QCOMPARE(lines.mid(2, 8),
             (QStringList{"window|Results|1|0", "window|3 - media de u no dominio (values)|1|1",
                          "window|3 - media de u no dominio|1|1",
                          "window|2 - u(3/4): perto da camada limite (values)|1|1",
                          "window|2 - u(3/4): perto da camada limite|1|1",
                          "window|1 - u(1/2): meio do dominio (values)|1|1",
                          "window|1 - u(1/2): meio do dominio|1|1", "windows|7"}));
    const QString filters =
        "filters|Bitmap Files(*.bmp);SVG Files(*.svg);PNG Files(*.png);PDF Files(*.pdf);"
        "All Files(*.*)";
    QCOMPARE(lines.mid(10), (QStringList{filters, filters}));
    // Drawn anew as vector graphics, not the window's bitmap.
    const QByteArray svg = read_file(dir_.filePath("grafico.svg"));
    QVERIFY(svg.startsWith("<?xml"));
    QVERIFY(svg.contains("<svg") && svg.contains("</svg>"));
    QVERIFY(svg.contains("u(1/2): meio do dominio"));
    const QByteArray pdf = read_file(dir_.filePath("grafico.pdf"));
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));
    QCOMPARE(QDir(dir_.filePath("charts")).entryList({"*.svg"}, QDir::Files).size(), 6);
#endif
  }

  void anUnwritableOutputShowsABoxAndEndsWithTwo() {
    const ChildRun r = run_scenario("tavo-extras-unwritable", case_environment(copy_example()));
    QCOMPARE(r.out, QString("box|Tavo|cannot write /nonexistent-tavo/r.json: No such file or "
                            "directory|%1\n")
                        .arg(int(QMessageBox::Critical)));
    QCOMPARE(r.exit_code, 2);
    QVERIFY(read_file(dir_.filePath("relatorio.txt")).contains("Esquema de Ordem Alta"));
  }
};

static tavo::testing::RegisterTest<ExtrasWindowTest> register_extras_window_test;

}  // namespace

#include "extras_test.moc"
