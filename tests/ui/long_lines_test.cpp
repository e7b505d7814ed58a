// SPDX-License-Identifier: GPL-3.0-or-later

// Lines of 10 MB in the files the windows show: the list boxes and the error box show an excerpt,
// while the program keeps, and saves, every byte.
#include <QListWidget>
#include <QTest>

#include <memory>

#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/window_fixture.h"
#include "ui/main_window.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

const QString kLongLine(10 * 1024 * 1024, QLatin1Char('7'));
const QString kExcerpt = QString(256, QLatin1Char('7')) + QStringLiteral("…");

}  // namespace

class LongLinesTest : public QObject, protected WindowFixture {
  Q_OBJECT

 private:
  QListWidget* List(const char* name) {
    return windows->mainWindow().findChild<QListWidget*>(QString::fromLatin1(name));
  }

 private slots:
  void init() { SetUpMachine({{100, "alpha.exe"}}); }

  void cleanup() { TearDownMachine(); }

  void theListsShowAnExcerptOfALongLine() {
    machine->WriteDataFile(QStringLiteral("CPU1_0.lst"), {kLongLine, QStringLiteral("0001: a")});
    machine->WriteDataFile(QStringLiteral("Skip.dat"), {QStringLiteral("b"), kLongLine});
    Start();
    QCOMPARE(boxes->Shown(), QStringList());
    QCOMPARE(List("ListBox1")->item(0)->text(), kExcerpt);
    QCOMPARE(List("ListBox1")->item(1)->text(), QStringLiteral("0001: a"));
    QCOMPARE(List("ListBox2")->item(1)->text(), kExcerpt);
    QCOMPARE(List("ListBox2")->item(0)->text(), QStringLiteral("b"));
    const AssignmentPolicy& policy = windows->program().Policy();
    QCOMPARE(policy.profileList.front().size(), std::size_t(kLongLine.size()));
    QCOMPARE(policy.exclusionList.back().size(), std::size_t(kLongLine.size()));
  }

  void theErrorBoxQuotesAnExcerptOfALongLine() {
    machine->WriteDataFile(QStringLiteral("Settings.ini"), {kLongLine, "F", "F", "0", "1", "F"});
    Start();
    QCOMPARE(boxes->Shown(),
             QStringList({QStringLiteral("Mervale: Settings.ini, line 1: '") + kExcerpt +
                          QStringLiteral("' ist kein gültiger Integerwert.")}));
  }
};

QTEST_MAIN(LongLinesTest)
#include "long_lines_test.moc"
