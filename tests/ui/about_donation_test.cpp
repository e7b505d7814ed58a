// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include "helpers/url_recorder.h"
#include "ui/about_window.h"
#include "ui/donation_window.h"
#include "ui/text_panel.h"

using mervale::AboutWindow;
using mervale::DonationWindow;
using mervale::TextPanel;

namespace {

template <typename T>
T* Find(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(QString::fromLatin1(name));
  if (!child) qFatal("no control %s", name);
  return child;
}

void Show(QWidget& window) {
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) qFatal("window not exposed");
}

// Clicks the left mouse button over a widget and lets queued work run.
void Click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
  QCoreApplication::processEvents();
}

// Runs the program's event loop while `closeWindow` runs and reports whether the window system
// saw the last window close, which ends a program.
bool ClosingEndsTheProgram(const std::function<void()>& closeWindow) {
  QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
  QTimer::singleShot(0, closeWindow);
  QTimer::singleShot(50, qApp, &QCoreApplication::quit);
  QApplication::exec();
  return lastWindowClosed.count() > 0;
}

}  // namespace

class AboutDonationTest : public QObject {
  Q_OBJECT

 private slots:
  void aboutControls() {
    AboutWindow form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Info"));
    QCOMPARE(Find<QLabel>(form, "Label5")->text(), QStringLiteral("Mervale 2.1"));
    QCOMPARE(Find<QLabel>(form, "Image1")->pixmap().size(), QSize(300, 115));
    auto* okButton = Find<QPushButton>(form, "BitBtn1");
    QCOMPARE(okButton->text(), QStringLiteral("OK"));
    QVERIFY(okButton->isDefault());
    QCOMPARE(QUrl(Find<QLabel>(form, "Label2")->text()).scheme(), QStringLiteral("https"));

    auto* panel = Find<TextPanel>(form, "TextPanel1");
    QCOMPARE(panel->scrollTimer()->objectName(), QStringLiteral("TimerTextPanel1"));
    QVERIFY(panel->isTicking());
    QCOMPARE(panel->scrollTimer()->interval(), 40);
    // Product name, maker and address, logo credit and address, translation credit, and the blank
    // lines between them, six at the end before the product name comes back.
    const QStringList& lines = panel->items();
    QCOMPARE(lines.size(), 17);
    const QList<int> filled = {0, 2, 3, 5, 6, 10};
    for (int index = 0; index < lines.size(); ++index) {
      QVERIFY2(lines[index].isEmpty() != filled.contains(index),
               qPrintable(QString::number(index)));
    }
  }

  void closingHides_data() {
    QTest::addColumn<bool>("about");
    QTest::addColumn<QString>("closeButton");  // empty: the window's close box; or a key
    QTest::newRow("About, OK button") << true << "BitBtn1";
    QTest::newRow("About, close box") << true << "";
    QTest::newRow("Donation, Close button") << false << "Button3";
    QTest::newRow("Donation, close box") << false << "";
    QTest::newRow("About, Escape") << true << "Escape";
    QTest::newRow("Donation, Escape") << false << "Escape";
  }
  void closingHides() {
    QFETCH(bool, about);
    QFETCH(QString, closeButton);
    std::unique_ptr<QWidget> form;
    if (about) {
      form = std::make_unique<AboutWindow>();
    } else {
      form = std::make_unique<DonationWindow>();
    }
    QPointer<QWidget> alive = form.get();
    Show(*form);
    // The program goes on without the window, also when no other window is shown.
    QVERIFY(!ClosingEndsTheProgram([&] {
      if (closeButton.isEmpty()) {
        form->close();
      } else if (closeButton == QStringLiteral("Escape")) {
        QTest::keyClick(form.get(), Qt::Key_Escape);
      } else {
        Click(Find<QPushButton>(*form, closeButton.toLatin1().constData()));
      }
    }));
    QVERIFY(form->isHidden());
    QVERIFY(!alive.isNull());
  }

  void enterPressesOk() {
    AboutWindow form;
    Show(form);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), Find<QPushButton>(form, "BitBtn1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(form.isHidden());
  }

  void creditsScrollWhileTheWindowIsHidden() {
    AboutWindow form;
    auto* panel = Find<TextPanel>(form, "TextPanel1");
    QVERIFY(form.isHidden());
    const int offset = panel->scroll().scrollOffset;
    QTRY_VERIFY(panel->scroll().scrollOffset != offset);
    QVERIFY(panel->scroll().lineHeight > 0);
  }

  void aboutReopensAsItWasLeft() {
    AboutWindow form;
    Show(form);
    const QRect screen = form.screen()->availableGeometry();
    QVERIFY(std::abs(form.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(std::abs(form.frameGeometry().center().y() - screen.center().y()) <= 1);

    auto* panel = Find<TextPanel>(form, "TextPanel1");
    form.move(40, 50);
    const QPoint moved = form.pos();
    form.close();
    panel->setEnableTimer(false);
    const mervale::TextPanelScroll left = panel->scroll();
    Show(form);
    QCOMPARE(form.pos(), moved);
    QCOMPARE(panel->scroll().topLine, left.topLine);
    QCOMPARE(panel->scroll().scrollOffset, left.scrollOffset);
  }

  void makerLinkOpensItsPage() {
    UrlRecorder browser;
    AboutWindow form;
    Show(form);
    auto* label2 = Find<QLabel>(form, "Label2");
    Click(label2);
    QCOMPARE(browser.Opened(), QList<QUrl>{QUrl(label2->text())});
    QVERIFY(form.isVisible());
  }

  void donationControls() {
    DonationWindow form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Donation"));
    auto* memo = Find<QPlainTextEdit>(form, "Memo1");
    QCOMPARE(memo->toPlainText().split('\n'),
             QStringList({"Mervale is freeware, if you like the program or think it is useful to "
                          "you, ",
                          "please support me and the further development of Mervale. "}));
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const QStringList captions = {"Paypal", "Amazon", "Close"};
    for (int index = 0; index < captions.size(); ++index) {
      const QByteArray name = "Button" + QByteArray::number(index + 1);
      QCOMPARE(Find<QPushButton>(form, name.constData())->text(), captions[index]);
    }
  }

  void donationButtonsOpenTwoPages() {
    UrlRecorder browser;
    DonationWindow form;
    Show(form);
    Click(Find<QPushButton>(form, "Button1"));
    Click(Find<QPushButton>(form, "Button2"));
    QCOMPARE(browser.Opened().size(), 2);
    QVERIFY(browser.Opened()[0] != browser.Opened()[1]);
    for (const QUrl& page : browser.Opened()) {
      QCOMPARE(page.scheme(), QStringLiteral("https"));
    }
    QVERIFY(form.isVisible());
  }

  void donationShowsTheAddressItCannotOpen() {
    UrlRecorder browser(UrlRecorder::Machine::kOpensNothing);
    DonationWindow form;
    Show(form);
    const auto selectable = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    for (const char* button : {"Button1", "Button2"}) {
      Click(Find<QPushButton>(form, button));
      std::unique_ptr<QMessageBox> box(Find<QMessageBox>(form, "PageNotOpened"));
      QVERIFY(box->isVisible() && (box->textInteractionFlags() & selectable) == selectable);
      QCOMPARE(QUrl(box->informativeText()).scheme(), QStringLiteral("https"));
    }
  }

  void donationOpensCentredOverTheMainWindow() {
    QWidget mainWindow;
    mainWindow.setGeometry(100, 120, 640, 480);
    Show(mainWindow);
    DonationWindow form(&mainWindow);
    Show(form);
    const QPoint offset = form.frameGeometry().center() - mainWindow.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    form.move(10, 20);
    const QPoint moved = form.pos();
    form.close();
    Show(form);
    QCOMPARE(form.pos(), moved);
  }
};

QTEST_MAIN(AboutDonationTest)
#include "about_donation_test.moc"
