// notepad: code page 1252 files through the editor window and back, line ends kept.
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "box_helpers.h"
#include "registry.h"
#include "tools/notepad/editor_window.h"
#include "tools/notepad/text_file.h"

namespace {

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void write_all(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// Every byte from 0x80 to 0xFF that code page 1252 defines.
QByteArray defined_high_bytes() {
  QByteArray bytes;
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) bytes.push_back(char(b));
  }
  return bytes;
}

}  // namespace

class NotepadTest : public QObject {
  Q_OBJECT

 private slots:
  void roundTripKeepsBytesAndLineEnds_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray high = defined_high_bytes();
    QTest::newRow("crlf") << ("Relat\xF3rio de verifica\xE7\xE3o\r\n" + high + "\r\n\r\nfim\r\n");
    QTest::newRow("lf") << ("ordem baixa\n" + high + "\nsem fim de linha");
    QTest::newRow("no-break space and tab") << QByteArray(
        "a\xA0"
        "b\tc\r\n");
    QTest::newRow("empty") << QByteArray();
  }
  void roundTripKeepsBytesAndLineEnds() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("dados.r33");
    write_all(path, bytes);
    notepad::EditorWindow window(path);
    QVERIFY(window.load());
    QVERIFY(!window.isWindowModified());
    QVERIFY(window.save());
    QCOMPARE(read_all(path), bytes);
  }

  void accentedLettersShowAsTheirCharacters() {
    QTemporaryDir dir;
    const QString path = dir.filePath("r.txt");
    write_all(path, "vari\xE1vel \x80 \x93x\x94\r\nq constante\r\n");
    notepad::EditorWindow window(path);
    QVERIFY(window.load());
    QVERIFY(window.crlf());
    QCOMPARE(
        window.editor()->toPlainText(),
        QString::fromUtf8("vari\xC3\xA1vel \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D\nq constante\n"));
    QVERIFY(window.windowTitle().startsWith("r.txt"));
  }

  void editsAreSavedWithTheFilesLineEnds() {
    QTemporaryDir dir;
    const QString path = dir.filePath("lf.txt");
    write_all(path, "one\ntwo\n");
    notepad::EditorWindow window(path);
    QVERIFY(window.load());
    window.editor()->appendPlainText(QString::fromUtf8("tr\xC3\xAAs"));
    QVERIFY(window.isWindowModified());
    QVERIFY(window.save());
    QCOMPARE(read_all(path), QByteArray("one\ntwo\n\ntr\xEAs"));
  }

  void missingFileIsCreatedOnlyOnSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath("novo.txt");
    {
      notepad::EditorWindow window(path);
      QVERIFY(window.load());
      QVERIFY(window.editor()->toPlainText().isEmpty());
      window.close();
    }
    QVERIFY(!QFile::exists(path));
    notepad::EditorWindow window(path);
    QVERIFY(window.load());
    window.editor()->setPlainText("a\nb");
    QVERIFY(window.save());
    QCOMPARE(read_all(path), QByteArray("a\r\nb"));
  }

  // A missing file opens as an empty document like any other: not marked as changed, closed
  // without a question and without leaving a file behind; its first save creates it.
  void missingFileOpensUnmodified() {
    QTemporaryDir dir;
    const QString path = dir.filePath("dados.r33");
    notepad::EditorWindow window(path);
    QVERIFY(window.load());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.isWindowModified());
    QVERIFY(!window.editor()->document()->isModified());
    QVERIFY(window.close());
    QVERIFY(!QFile::exists(path));
  }

  void closingAsksBeforeDiscardingChanges() {
    QTemporaryDir dir;
    const QString path = dir.filePath("d.txt");
    write_all(path, "keep\r\n");
    notepad::EditorWindow window(path);
    QVERIFY(window.load());
    window.show();
    window.editor()->appendPlainText("more");

    tavo::testing::SeenBox box;
    tavo::testing::answer_next_box(QMessageBox::Cancel, &box);
    QVERIFY(!window.close());
    QVERIFY(box.seen);
    QVERIFY(window.isVisible());

    tavo::testing::answer_next_box(QMessageBox::Discard, &box);
    QVERIFY(window.close());
    QCOMPARE(read_all(path), QByteArray("keep\r\n"));
  }

  void charactersWithoutABytePromptBeforeSaving() {
    QTemporaryDir dir;
    const QString path = dir.filePath("u.txt");
    write_all(path, "old\r\n");
    notepad::EditorWindow window(path);
    QVERIFY(window.load());
    window.editor()->setPlainText(QString::fromUtf8("\xE2\x98\x83"));  // U+2603
    tavo::testing::SeenBox box;
    tavo::testing::answer_next_box(QMessageBox::Cancel, &box);
    QVERIFY(!window.save());
    QCOMPARE(read_all(path), QByteArray("old\r\n"));
    tavo::testing::answer_next_box(QMessageBox::Save, &box);
    QVERIFY(window.save());
    QCOMPARE(read_all(path), QByteArray("?"));
  }

  void fileCodecDecidesLineEndsByTheFirstOne() {
    notepad::EditorText t = notepad::decode_file("a\r\nb\nc\r");
    QVERIFY(t.crlf);
    QCOMPARE(QString::fromStdU16String(t.text), QString("a\nb\nc\r"));
    t = notepad::decode_file("a\nb\r\n");
    QVERIFY(!t.crlf);
    QCOMPARE(QString::fromStdU16String(t.text), QString("a\nb\r\n"));
    QVERIFY(notepad::decode_file("no line end").crlf);
  }
};

static tavo::testing::RegisterTest<NotepadTest> register_notepad_test;

#include "notepad_test.moc"
