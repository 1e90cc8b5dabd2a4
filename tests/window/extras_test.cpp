// The extras in the desktop front end, each case in a child process: the charts are drawn on
// the GUI thread for the program thread, and an output that cannot be written shows a box and
// ends the process with status 2 after the frame has closed.
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include <cstdio>

#include "app/extras.h"
#include "box_helpers.h"
#include "console/window/startup.h"
#include "recio/process_end.h"
#include "registry.h"

namespace {

// Set by a scenario before the program thread starts.
app::Options g_options;

void program() {
  app::run_program(g_options, "1.0");
}

int run_tavo(int& argc, char** argv, const app::Options& options) {
  if (::chdir(std::getenv("TAVO_TEST_CASE")) != 0) return 99;
  g_options = options;
  QApplication qt(argc, argv);
  // Answers the failure's box, and reports it on standard output for the parent.
  auto* timer = new QTimer(&qt);
  QObject::connect(timer, &QTimer::timeout, [] {
    static QPointer<QMessageBox> last;
    QMessageBox* box = tavo::testing::visible_box();
    if (box == nullptr || box == last) return;
    last = box;
    std::printf("box|%s|%s|%d\n", qPrintable(box->windowTitle()), qPrintable(box->text()),
                int(box->icon()));
    std::fflush(stdout);
    box->button(QMessageBox::Ok)->click();
  });
  timer->start(20);
  return console::window::run(argc, argv, program, recio::run_exit_handler);
}

const bool registered = [] {
  using tavo::testing::register_scenario;
  register_scenario("tavo-extras", [](int& argc, char** argv) {
    app::Options o;
    o.editor = analysis::EditorUse::Skip;
    const std::string folder = std::getenv("TAVO_TEST_CASE");
    o.json = folder + "/r.json";
    o.plots = folder + "/charts";
    o.plot_format = "png";
    return run_tavo(argc, argv, o);
  });
  register_scenario("tavo-extras-unwritable", [](int& argc, char** argv) {
    app::Options o;
    o.editor = analysis::EditorUse::Skip;
    o.json = "/nonexistent-tavo/r.json";
    return run_tavo(argc, argv, o);
  });
  return true;
}();

struct Run {
  int exit_code = -1;
  QString out, err;
};

Run run_scenario(const QString& name, const QString& folder) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TAVO_TEST_CASE", folder);
  env.insert("PATH", "/nonexistent-tavo:/usr/bin:/bin");  // no editor is started anyway
  child.setProcessEnvironment(env);
  // QProcess runs the child from this folder; the scenario changes to the case's own.
  child.start(QCoreApplication::applicationFilePath(), {"--scenario", name});
  Run r;
  if (!child.waitForFinished(60000)) {
    child.kill();
    child.waitForFinished();
    r.err = "timed out";
    return r;
  }
  r.exit_code = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
  r.out = QString::fromUtf8(child.readAllStandardOutput());
  r.err = QString::fromUtf8(child.readAllStandardError());
  return r;
}

QByteArray read(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

class ExtrasWindowTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString copy_example() {
    QDir source(QString(TAVO_SOURCE_DIR) + "/examples/constant-ratio");
    for (const QString& f : source.entryList(QDir::Files))
      QFile::copy(source.filePath(f), dir_.filePath(f));
    return dir_.path();
  }

 private slots:
  void chartsAreDrawnOnTheGuiThreadForTheProgram() {
    Run r = run_scenario("tavo-extras", copy_example());
    QVERIFY2(!r.err.contains("Sanitizer"), qPrintable(r.err));
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(r.out, QString());  // no box
    QVERIFY(read(dir_.filePath("r.json")).startsWith("{\n  \"program\": \"Tavo\""));
    const QStringList charts = QDir(dir_.filePath("charts")).entryList(QDir::Files);
    QCOMPARE(charts.size(), 3);
    for (const QString& name : charts) {
      QImage image;
      QVERIFY(image.load(dir_.filePath("charts/" + name), "PNG"));
      QVERIFY(!image.isNull());
    }
  }

  void anUnwritableOutputShowsABoxAndEndsWithTwo() {
    const QString folder = copy_example();
    Run r = run_scenario("tavo-extras-unwritable", folder);
    QVERIFY2(!r.err.contains("Sanitizer"), qPrintable(r.err));
    QCOMPARE(r.out, QString("box|Tavo|cannot write /nonexistent-tavo/r.json: No such file or "
                            "directory|%1\n")
                        .arg(int(QMessageBox::Critical)));
    QCOMPARE(r.exit_code, 2);
    QVERIFY(read(dir_.filePath("relatorio.txt")).contains("Esquema de Ordem Alta"));
  }
};

static tavo::testing::RegisterTest<ExtrasWindowTest> register_extras_window_test;

}  // namespace

#include "extras_test.moc"
