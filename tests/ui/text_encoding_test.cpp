// SPDX-License-Identifier: GPL-3.0-or-later

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/window_fixture.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/process_table_model.h"
#include "ui/radio_group.h"
#include "ui/window_set.h"

using namespace mervale;

// The program's texts are UTF-8 bytes on every system: the shipped language files, and names as
// the backends report them. On Windows a decoding through the ANSI code page would turn "Über"
// into "Ãœber"; these tests run under Wine for that reason.
class TextEncodingTest : public QObject, protected WindowFixture {
  Q_OBJECT

 private:
  QString LanguagesDir() const {
    return QString::fromStdString(machine->system.ExecutableDir()) + QStringLiteral("Languages/");
  }

 private slots:
  void init() { SetUpMachine(); }

  void cleanup() { TearDownMachine(); }

  void shippedLanguageCaptions_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    // Lines with letters outside ASCII in the shipped files.
    QTest::newRow("German About") << "German" << 10 << "main"
                                  << "Panel3";
    QTest::newRow("German Close") << "German" << 39 << "options"
                                  << "Button1";
    QTest::newRow("French About") << "French" << 10 << "main"
                                  << "Panel3";
    QTest::newRow("French Start minimized") << "French" << 36 << "options"
                                            << "CheckBox2";
    QTest::newRow("Spanish Refresh rate") << "Spanish" << 31 << "options"
                                          << "Label1";
  }

  void shippedLanguageCaptions() {
    QFETCH(QString, language);
    QFETCH(int, line);
    QFETCH(QString, window);
    QFETCH(QString, control);
    machine->platform.AddProcess(100, "alpha.exe", 15);
    // The shipped file replaces the test machine's "German"; the caption expected is its line.
    QFile shipped(QStringLiteral(":/Languages/%1.txt").arg(language));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QByteArray bytes = shipped.readAll();
    const QString expected = QString::fromUtf8(bytes.split('\n').value(line)).trimmed();
    QVERIFY2(expected.contains(QRegularExpression(QStringLiteral("[^\\x00-\\x7f]"))),
             qPrintable(expected));
    QFile::remove(LanguagesDir() + QStringLiteral("German.txt"));
    QVERIFY(QFile::copy(shipped.fileName(), LanguagesDir() + QStringLiteral("German.txt")));

    Start();
    windows->optionsWindow()
        .findChild<RadioGroup*>(QStringLiteral("RadioGroup1"))
        ->button(1)
        ->click();
    QCOMPARE(boxes->Shown(), QStringList());

    QWidget* owner = window == QLatin1String("main") ? static_cast<QWidget*>(&windows->mainWindow())
                                                     : &windows->optionsWindow();
    QWidget* shown = owner->findChild<QWidget*>(control);
    QVERIFY(shown != nullptr);
    const QString text = shown->property("text").toString();
    QCOMPARE(text, expected);
  }

  void processNamesKeepTheirLetters() {
    const QByteArray name = QStringLiteral("Größenänderung.exe").toUtf8();
    machine->platform.AddProcess(100, name.toStdString(), 15);
    Start();
    windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows->mainWindow()));
    auto* model = windows->mainWindow().findChild<ProcessTableModel*>();
    QVERIFY(model != nullptr);
    QTRY_COMPARE(model->rowCount(), 1);
    QCOMPARE(model->index(0, 0).data().toString(), QString::fromUtf8(name));
  }
};

QTEST_MAIN(TextEncodingTest)
#include "text_encoding_test.moc"
