// The commands that act on a window's image: Save (the dialog and the bitmap file), Print (the
// failure boxes, the progress dialog, the page), Size To Fit and Full Screen.
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdint>
#include <cstring>

#include "box_helpers.h"
#include "console/window/full_screen.h"
#include "console/window/image_window.h"
#include "console/window/print_save.h"
#include "frame_fixture.h"
#include "registry.h"

using namespace console::command;
using tavo::testing::grid;
using tavo::testing::ready;
using tavo::testing::visible_top_level;

namespace {

// Runs `act` on the next visible file dialog (inside its own event loop).
void on_file_dialog(std::function<void(QFileDialog*)> act) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QFileDialog* dialog = visible_top_level<QFileDialog>();
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    // selectFile leaves the name field alone while it has the focus (the user may be typing).
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    act(dialog);
  });
  timer->start(10);
}

std::uint32_t u32(const QByteArray& b, int at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.constData() + at, 4);
  return v;
}
std::uint16_t u16(const QByteArray& b, int at) {
  std::uint16_t v = 0;
  std::memcpy(&v, b.constData() + at, 2);
  return v;
}

// A bitmap file's headers and its pixels, as this test reads the layout.
struct Bitmap {
  std::uint32_t file_size, offset, header, width, height, planes, depth, compression, image_size,
      colours;
  QImage image;  // RGB32

  static Bitmap parse(const QByteArray& b) {
    Bitmap m{};
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return m;
    m = {u32(b, 2),  u32(b, 10), u32(b, 14), u32(b, 18), u32(b, 22), u16(b, 26),
         u16(b, 28), u32(b, 30), u32(b, 34), 0,          {}};
    m.colours = (m.offset - 54) / 4;
    const int stride = static_cast<int>((m.width * m.depth + 31) / 32 * 4);
    m.image = QImage(static_cast<int>(m.width), static_cast<int>(m.height), QImage::Format_RGB32);
    for (int y = 0; y < static_cast<int>(m.height); ++y) {
      const char* row = b.constData() + m.offset + (m.height - 1 - y) * stride;  // bottom-up
      for (int x = 0; x < static_cast<int>(m.width); ++x) {
        QRgb colour;
        if (m.depth == 24) {
          colour = qRgb(static_cast<uchar>(row[3 * x + 2]), static_cast<uchar>(row[3 * x + 1]),
                        static_cast<uchar>(row[3 * x]));
        } else {  // 4 bits, the leftmost pixel high
          const int index = (static_cast<uchar>(row[x / 2]) >> (x % 2 == 0 ? 4 : 0)) & 0xF;
          colour = qRgb(static_cast<uchar>(b[54 + 4 * index + 2]),
                        static_cast<uchar>(b[54 + 4 * index + 1]),
                        static_cast<uchar>(b[54 + 4 * index]));
        }
        m.image.setPixel(x, y, colour);
      }
    }
    return m;
  }
};

// A window of another kind on the same base: a picture, with a file type of its own to save.
class PictureWindow : public console::window::ImageWindow {
 public:
  explicit PictureWindow(console::Console& console) : ImageWindow(console) {
    picture_ = QImage(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) picture_.setPixel(x, y, qRgb(x * 6, y * 8, (x ^ y) * 4));
  }
  console::SafeMutex& draw_lock() const override { return lock_; }
  const QImage& image() const override { return picture_; }
  QStringList save_filters() const override {
    return ImageWindow::save_filters() << QStringLiteral("Picture Files(*.pic)");
  }
  bool save_as(const QString& filter, const QString& path) override {
    saved << filter + "|" + path;
    return !path.contains("refused");
  }

  QStringList saved;

 private:
  mutable console::SafeMutex lock_;
  QImage picture_;
};

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class ImageCommandsTest : public QObject, private tavo::testing::FrameFixture {
  Q_OBJECT

 private slots:
  void init() { set_up(); }
  void cleanup() {
    console::window::set_print_system({});
    tear_down();
  }

  void saveWritesTheWholeImageAsABitmapAndAsksBeforeReplacing() {
    const std::int32_t id = open(grid(17, 3));  // 136 x 48, rows of 408 bytes
    write(id, "Tavo \xE9 \x01\r\n");
    QTemporaryDir dir;
    QStringList filters;
    QString suffix;
    on_file_dialog([&](QFileDialog* dialog) {
      filters = dialog->nameFilters();
      suffix = dialog->defaultSuffix();
      dialog->selectFile(dir.filePath("tela"));
      static_cast<QDialog*>(dialog)->accept();  // as the Save button does
    });
    frame_->command(kSave);
    QCOMPARE(filters, (QStringList{"Bitmap Files(*.bmp)", "All Files(*.*)"}));
    QCOMPARE(suffix, QString("bmp"));
    const QByteArray bytes = read_all(dir.filePath("tela.bmp"));
    const Bitmap bmp = Bitmap::parse(bytes);
    QCOMPARE(bmp.file_size, static_cast<std::uint32_t>(bytes.size()));
    QCOMPARE(bmp.offset, 54u);  // no colour table at 24 bits
    QCOMPARE(bmp.header, 40u);
    QCOMPARE(bmp.width, 136u);
    QCOMPARE(bmp.height, 48u);
    QCOMPARE(bmp.planes, 1u);
    QCOMPARE(bmp.depth, 24u);
    QCOMPARE(bmp.compression, 0u);
    QCOMPARE(bmp.image_size, 408u * 48u);
    QCOMPARE(bmp.image, widget(id)->snapshot());

    // The same name again: the dialog asks first.
    tavo::testing::SeenBox ask;
    on_file_dialog([&](QFileDialog* dialog) {
      tavo::testing::answer_next_box(QMessageBox::Yes, &ask);
      dialog->selectFile(dir.filePath("tela.bmp"));
      static_cast<QDialog*>(dialog)->accept();  // as the Save button does
    });
    write(id, "mais\r\n");
    frame_->command(kSave);
    QVERIFY(ask.seen);
    QCOMPARE(Bitmap::parse(read_all(dir.filePath("tela.bmp"))).image, widget(id)->snapshot());
  }

  void aWindowOfAnotherKindSelectsCopiesAndSavesItsOwnWay() {
    auto* picture = new PictureWindow(*console_);
    QMdiSubWindow* sub = frame_->client()->addSubWindow(picture);
    sub->setWindowTitle("Picture");
    sub->show();
    frame_->client()->setActiveSubWindow(sub);
    // Select Text on a window without text selects pixels.
    QVERIFY(item("&Edit", kSelectText)->isEnabled());
    frame_->command(kSelectText);
    QCOMPARE(sub->windowTitle(), QString("Mark Graphics - Picture"));
    QTest::mousePress(picture->viewport(), Qt::LeftButton, {}, QPoint(4, 3));
    QTest::mouseMove(picture->viewport(), QPoint(20, 12));
    QTest::mouseRelease(picture->viewport(), Qt::LeftButton, {}, QPoint(20, 12));
    QCOMPARE(sub->windowTitle(), QString("Select graphics in Picture"));
    frame_->command(kCopy);
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             picture->snapshot().copy(QRect(QPoint(4, 3), QPoint(20, 12))));
    QCOMPARE(sub->windowTitle(), QString("Picture"));

    // Its own filter: written by the window, the name completed with its extension.
    QTemporaryDir dir;
    QStringList filters;
    on_file_dialog([&](QFileDialog* dialog) {
      filters = dialog->nameFilters();
      dialog->selectNameFilter("Picture Files(*.pic)");
      emit dialog->filterSelected("Picture Files(*.pic)");
      dialog->selectFile(dir.filePath("quadro"));
      static_cast<QDialog*>(dialog)->accept();
    });
    frame_->command(kSave);
    QCOMPARE(filters.size(), 3);
    QCOMPARE(picture->saved, QStringList("Picture Files(*.pic)|" + dir.filePath("quadro.pic")));
    // The bitmap filters stay the base's.
    on_file_dialog([&](QFileDialog* dialog) {
      dialog->selectFile(dir.filePath("quadro"));
      static_cast<QDialog*>(dialog)->accept();
    });
    frame_->command(kSave);
    QCOMPARE(picture->saved.size(), 1);
    QCOMPARE(Bitmap::parse(read_all(dir.filePath("quadro.bmp"))).image, picture->snapshot());
  }

  void aSaveThatFailsSaysInternalError() {
    open(grid(12, 4));
    // A name longer than the file system allows (the dialog itself would refuse it).
    QTemporaryDir dir;
    const QString refused = dir.filePath(QString(300, 'x') + ".bmp");
    on_file_dialog([&](QFileDialog* dialog) {
      dialog->selectFile(refused);
      dialog->QDialog::accept();
    });
    tavo::testing::SeenBox box;
    tavo::testing::answer_next_box(QMessageBox::Ok, &box);
    frame_->command(kSave);
    QTRY_VERIFY(box.seen);
    QVERIFY(box.text.startsWith("Internal Error - unexpected error\nfile \"pkgsave"));
    QVERIFY(!QFile::exists(refused));
  }

  void anIndexedImageKeepsItsColourTable() {
    QImage image(5, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(10, 20, 30)});
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x) image.setPixel(x, y, static_cast<uint>((x + y) % 4));
    QTemporaryDir dir;
    const QString path = dir.filePath("paleta.bmp");
    QCOMPARE(console::window::write_bitmap(path, image), console::SaveStatus::Ok);
    const Bitmap bmp = Bitmap::parse(read_all(path));
    QCOMPARE(bmp.depth, 4u);
    QCOMPARE(bmp.colours, 16u);
    QCOMPARE(bmp.offset, 54u + 64u);
    QCOMPARE(bmp.image, image.convertToFormat(QImage::Format_RGB32));
  }

  void printWithoutAPrinterShowsNoPrinterDriverOnce() {
    open(grid(12, 4));
    console::window::set_print_system({.printers = [] { return QStringList(); }, .dialog = {}});
    int boxes = 0;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&boxes] {
      if (QMessageBox* box = tavo::testing::visible_box()) {
        ++boxes;
        QCOMPARE(box->text(), QString("No Printer Driver"));
        QCOMPARE(box->windowTitle(), QString("tavo"));
        QCOMPARE(box->icon(), QMessageBox::Information);
        box->button(QMessageBox::Ok)->click();
      }
    });
    watcher.start(5);
    frame_->command(kPrint);
    QTest::qWait(100);
    QCOMPARE(boxes, 1);
  }

  void printShowsTheProgressDialogAndPutsTheImageOnOnePage() {
    const std::int32_t id = open(grid(12, 4));
    write(id, "papel\r\n");
    QTemporaryDir dir;
    const QString pdf = dir.filePath("pagina.pdf");
    QString title;
    console::window::set_print_system({.printers = [] { return QStringList{"pdf"}; },
                                       .dialog =
                                           [&](QPrinter& printer, QWidget*) {
                                             printer.setOutputFormat(QPrinter::PdfFormat);
                                             printer.setOutputFileName(pdf);
                                             return true;
                                           }});
    struct Seen {
      bool shown = false;
      QString caption, message, button;
      bool frame_enabled = true;
    } seen;
    QTimer::singleShot(0, this, [&] {
      auto* progress = visible_top_level<QDialog>("PrintProgress");
      if (progress == nullptr) return;
      seen = {true, progress->windowTitle(), progress->findChild<QLabel*>()->text(),
              progress->findChild<QPushButton*>()->text(), frame_->isEnabled()};
    });
    frame_->command(kPrint);
    QVERIFY(seen.shown);
    QCOMPARE(seen.caption, QString("Printing "));
    QCOMPARE(seen.message, QString("Printing In Progress..."));
    QCOMPARE(seen.button, QString("Cancel"));
    QVERIFY(!seen.frame_enabled);
    QVERIFY(frame_->isEnabled());
    QVERIFY(visible_top_level<QDialog>("PrintProgress") == nullptr);
    QVERIFY(read_all(pdf).startsWith("%PDF"));
  }

  void sizeToFitShowsTheWholeImageScaledWithoutBars() {
    const std::int32_t id = open(grid(80, 40));                   // 640 x 640
    write(id, std::string(31, '\n') + std::string(8 * 80, 'M'));  // rows 32 to 39 full
    auto* text = widget(id);
    auto* sub = sub_of(id);
    sub->resize(300, 250);
    QVERIFY(text->verticalScrollBar()->maximum() > 0);
    auto lit_rows = [text] {  // rows of the client area with something lit
      const QImage shown = text->viewport()->grab().toImage();
      int lit = 0;
      for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
          if (qGray(shown.pixel(x, y)) > 128) {
            ++lit;
            break;
          }
        }
      }
      return lit;
    };
    QCOMPARE(lit_rows(), 0);  // the text is out of sight
    frame_->command(kSizeToFit);
    QVERIFY(text->size_to_fit());
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(lit_rows() > 0);  // now shown, shrunk
    sub->resize(800, 500);    // larger than the image is allowed now
    QCOMPARE(sub->size(), QSize(800, 500));
    QTest::keyClick(text, Qt::Key_Down);  // navigation keys do nothing
    QCOMPARE(text->verticalScrollBar()->value(), 0);
    frame_->command(kSizeToFit);
    QVERIFY(!text->size_to_fit());
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QVERIFY(text->viewport()->height() <= 640);
  }

  void fullScreenAndBack() {
    const std::int32_t id = open(grid(20, 5));
    auto* text = widget(id);
    frame_->command(kFullScreen);
    auto* view = visible_top_level<console::window::FullScreenView>("tavoFullWnd");
    QVERIFY(view != nullptr);
    QCOMPARE(view->geometry(), QGuiApplication::primaryScreen()->geometry());
    QVERIFY(view->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(view->windowTitle(), QString("tavoFullWnd"));
    QVERIFY(!item("&Edit", kSelectAll)->isEnabled());
    // Typed there, the keys reach the pending read.
    auto read = std::async(std::launch::async, [this, id] { return read_line(id); });
    QTRY_COMPARE(console_->reading_window(), id);
    QTest::keyClicks(view, "fs");
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(ready(read));
    QCOMPARE(read.get(), QByteArray("fs"));
    // Alt+Enter returns.
    QTest::keyClick(view, Qt::Key_Return, Qt::AltModifier);
    QTRY_VERIFY(visible_top_level<console::window::FullScreenView>() == nullptr);
    QVERIFY(text->full_screen_view() == nullptr);
    QVERIFY(item("&Edit", kSelectAll)->isEnabled());
    // A click returns.
    QTest::keyClick(text, Qt::Key_Return, Qt::AltModifier);
    view = visible_top_level<console::window::FullScreenView>();
    QVERIFY(view != nullptr);
    QTest::mouseClick(view, Qt::RightButton);
    QTRY_VERIFY(visible_top_level<console::window::FullScreenView>() == nullptr);
    // Closing it closes the application.
    frame_->command(kFullScreen);
    view = visible_top_level<console::window::FullScreenView>();
    QVERIFY(view != nullptr);
    QSignalSpy closing(frame_.get(), &console::window::FrameWindow::closing);
    view->close();
    QTRY_COMPARE(closing.count(), 1);
  }
};

static tavo::testing::RegisterTest<ImageCommandsTest> register_image_commands_test;

#include "image_commands_test.moc"
