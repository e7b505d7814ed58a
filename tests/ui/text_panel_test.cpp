// SPDX-License-Identifier: GPL-3.0-or-later

#include <QFontMetrics>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

#include "helpers/wine.h"
#include "ui/text_panel.h"
#include "ui/text_panel_scroll.h"

using mervale::BevelCut;
using mervale::LineAlignment;
using mervale::PanelBorder;
using mervale::ReadingOrder;
using mervale::TextPanel;
using mervale::TextPanelScroll;

Q_DECLARE_METATYPE(std::vector<int>)
Q_DECLARE_METATYPE(mervale::LineAlignment)
Q_DECLARE_METATYPE(mervale::ReadingOrder)
Q_DECLARE_METATYPE(mervale::PanelBorder)
Q_DECLARE_METATYPE(mervale::BevelCut)

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// The extent of the dark pixels in an area of a rendered image.
struct Ink {
  int left = -1;
  int right = -1;
  int top = -1;
  int bottom = -1;
  bool Any() const { return left >= 0; }
  int Width() const { return Any() ? right - left + 1 : 0; }
  double CentreX() const { return (left + right) / 2.0; }
};

Ink InkIn(const QImage& image, const QRect& area) {
  Ink ink;
  const QRect bounded = area & image.rect();
  for (int y = bounded.top(); y <= bounded.bottom(); ++y) {
    for (int x = bounded.left(); x <= bounded.right(); ++x) {
      if (qGray(image.pixel(x, y)) >= 128) continue;
      if (!ink.Any()) {
        ink = {x, x, y, y};
      } else {
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
      }
    }
  }
  return ink;
}

QImage Render(TextPanel& panel) {
  return panel.grab().toImage();
}

// A plain white panel with black lines, no frames and a stopped timer, so that only the test moves
// it; it lies in a window that is not shown.
TextPanel* QuietPanel(QWidget& window, const QStringList& items, QSize size) {
  auto* panel = new TextPanel(&window);
  panel->setEnableTimer(false);
  panel->setBevelOuter(BevelCut::None);
  panel->setColor(Qt::white);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  panel->setTextFont({font, Qt::black});
  panel->setItems(items);
  panel->resize(size);
  return panel;
}

int LineHeightOf(const TextPanel& panel) {
  return QFontMetrics(panel.textFont().font, &panel).size(Qt::TextSingleLine, "W").height();
}

// Runs ticks the way the panel does: each tick is followed by what its paint leaves behind.
void RunTicks(TextPanelScroll& scroll, int ticks, int stepSize, int lineHeight, int itemCount) {
  for (int tick = 0; tick < ticks; ++tick) {
    scroll.tick(stepSize, itemCount);
    scroll.notePaint(lineHeight, itemCount);
  }
}

}  // namespace

class TextPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void rowItems_data() {
    QTest::addColumn<int>("topLine");
    QTest::addColumn<int>("wholeRows");
    QTest::addColumn<int>("itemCount");
    QTest::addColumn<std::vector<int>>("expected");
    QTest::newRow("first row shows the second line") << 0 << 3 << 5 << std::vector<int>{1, 2, 3, 4};
    QTest::newRow("list runs out and starts again")
        << 2 << 4 << 5 << std::vector<int>{3, 4, 0, 1, 2};
    QTest::newRow("last line on top") << 4 << 2 << 5 << std::vector<int>{0, 1, 2};
    QTest::newRow("one line in every row") << 0 << 4 << 1 << std::vector<int>{0, 0, 0, 0, 0};
    QTest::newRow("two lines repeat") << 0 << 4 << 2 << std::vector<int>{1, 0, 1, 0, 1};
    QTest::newRow("top line beyond a shorter list") << 7 << 3 << 3 << std::vector<int>{0, 1, 2, 0};
    QTest::newRow("panel lower than a row") << 0 << 0 << 5 << std::vector<int>{1};
    QTest::newRow("no lines") << 0 << 3 << 0 << std::vector<int>{};
  }
  void rowItems() {
    QFETCH(int, topLine);
    QFETCH(int, wholeRows);
    QFETCH(int, itemCount);
    QFETCH(std::vector<int>, expected);
    QCOMPARE(mervale::RowItems(topLine, wholeRows, itemCount), expected);
  }

  void wholeRows_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("lineHeight");
    QTest::addColumn<int>("drawnRows");
    QTest::newRow("about panel") << 193 << 14 << 14;
    QTest::newRow("exact fit") << 42 << 14 << 4;
    QTest::newRow("lower than a row") << 10 << 14 << 1;
    QTest::newRow("nothing measured yet") << 193 << 0 << 1;
  }
  void wholeRows() {
    QFETCH(int, height);
    QFETCH(int, lineHeight);
    QFETCH(int, drawnRows);
    const int whole = mervale::WholeRows(height, lineHeight);
    QCOMPARE(static_cast<int>(mervale::RowItems(0, whole, 100).size()), drawnRows);
  }

  void ticks_data() {
    QTest::addColumn<int>("stepSize");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("topLine");
    // Line height 14 and 17 lines, measured by a paint before the first tick.
    QTest::newRow("one pixel short of a row") << 1 << 13 << -13 << 0;
    QTest::newRow("a whole row") << 1 << 14 << 0 << 1;
    QTest::newRow("round the whole list") << 1 << 14 * 17 << 0 << 0;
    QTest::newRow("step that divides the row") << 7 << 2 << 0 << 1;
    QTest::newRow("step that does not divide the row") << 5 << 3 << -1 << 1;
    QTest::newRow("step longer than a row moves one row") << 40 << 3 << 0 << 3;
    QTest::newRow("zero step stands still") << 0 << 20 << 0 << 0;
    QTest::newRow("negative step stands still") << -3 << 20 << 0 << 0;
  }
  void ticks() {
    QFETCH(int, stepSize);
    QFETCH(int, ticks);
    QFETCH(int, offset);
    QFETCH(int, topLine);
    TextPanelScroll scroll;
    scroll.notePaint(14, 17);
    RunTicks(scroll, ticks, stepSize, 14, 17);
    QCOMPARE(scroll.scrollOffset, offset);
    QCOMPARE(scroll.topLine, topLine);
    QCOMPARE(scroll.paintedTopLine, topLine);
  }

  void firstTickBeforeAnyPaint_data() {
    QTest::addColumn<int>("stepSize");
    QTest::newRow("step 1") << 1;
    QTest::newRow("step 3") << 3;
  }
  void firstTickBeforeAnyPaint() {
    QFETCH(int, stepSize);
    TextPanelScroll scroll;
    scroll.tick(stepSize, 17);
    QCOMPARE(scroll.topLine, 1);
    QCOMPARE(scroll.scrollOffset, -stepSize);
    scroll.notePaint(14, 17);
    QCOMPARE(scroll.lineHeight, 14);
    QCOMPARE(scroll.paintedTopLine, 1);
  }

  // However an offset got far from the top, the next line step brings row 1 back to within one row.
  void offsetReturnsIntoThePanel_data() {
    QTest::addColumn<int>("firstStep");
    QTest::addColumn<int>("lineHeight");
    QTest::newRow("huge unmeasured first step") << 1000000 << 14;
    QTest::newRow("largest first step") << std::numeric_limits<int>::max() << 14;
    QTest::newRow("font turned smaller") << 12 << 5;
  }
  void offsetReturnsIntoThePanel() {
    QFETCH(int, firstStep);
    QFETCH(int, lineHeight);
    TextPanelScroll scroll;
    scroll.tick(firstStep, 17);
    scroll.notePaint(lineHeight, 17);
    RunTicks(scroll, 1, 1, lineHeight, 17);
    QVERIFY2(scroll.scrollOffset <= 0 && scroll.scrollOffset > -lineHeight,
             qPrintable(QString::number(scroll.scrollOffset)));
    QCOMPARE(scroll.topLine, 2);
  }

  void shorterListWhileTopLineBeyondItsEnd() {
    TextPanelScroll scroll;
    scroll.topLine = 7;
    scroll.notePaint(14, 10);
    // Three lines replace the ten: the rows start again with the first.
    QCOMPARE(mervale::RowItems(scroll.topLine, 3, 3).front(), 0);
    scroll.notePaint(14, 3);
    RunTicks(scroll, 14, 1, 14, 3);
    QCOMPARE(scroll.topLine, (7 + 1) % 3);
  }

  void noLinesHoldTopLineAtZero() {
    TextPanelScroll scroll;
    scroll.topLine = 4;
    scroll.paintedTopLine = 4;
    scroll.notePaint(14, 0);
    QCOMPARE(scroll.paintedTopLine, 4);
    RunTicks(scroll, 30, 1, 14, 0);
    QCOMPARE(scroll.topLine, 0);
    QCOMPARE(scroll.lineHeight, 14);
  }

  void timerFollowsItsSettings() {
    QWidget window;
    auto panel = std::make_unique<TextPanel>(&window, QStringLiteral("Scroller"));
    QPointer<QTimer> timer = panel->scrollTimer();
    QCOMPARE(timer->objectName(), QStringLiteral("TimerScroller"));
    QVERIFY(panel->isTicking());
    QVERIFY2(!timer->isActive(), "off screen the ticks are counted, not woken for");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 30);

    panel->setInterval(40);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 40);
    panel->setEnableTimer(false);
    QVERIFY(!timer->isActive());
    QVERIFY(!panel->isTicking());
    panel->setInterval(50);
    QVERIFY(!timer->isActive());
    panel->setEnableTimer(true);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 50);
    panel->setInterval(0);
    QVERIFY(!timer->isActive());
    panel->setInterval(25);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 25);
    window.hide();
    QVERIFY(!timer->isActive());
    QVERIFY(panel->isTicking());

    panel.reset();
    QVERIFY(timer.isNull());
  }

  void ticksDueOffScreenAreCountedWhenShown() {
    QWidget window;
    auto* panel = new TextPanel(&window);
    // Enough lines that the text does not wrap round while the window is shown again, which takes
    // several ticks under Wine.
    QStringList lines;
    for (int line = 0; line < 40; ++line) lines << QString::number(line);
    panel->setItems(lines);
    panel->setInterval(10);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.hide();
    const TextPanelScroll before = panel->scroll();
    QTest::qWait(200);  // about 20 ticks due, none delivered
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TextPanelScroll after = panel->scroll();
    const int moved = (after.topLine - before.topLine) * after.lineHeight -
                      (after.scrollOffset - before.scrollOffset);
    QVERIFY2(moved >= 15, qPrintable(QString::number(moved)));
  }

  void linesStandStill_data() {
    QTest::addColumn<bool>("enableTimer");
    QTest::addColumn<quint32>("interval");
    QTest::newRow("timer switched off") << false << 10u;
    QTest::newRow("interval 0") << true << 0u;
  }
  void linesStandStill() {
    QFETCH(bool, enableTimer);
    QFETCH(quint32, interval);
    QWidget window;
    auto* panel = new TextPanel(&window);
    panel->setItems({"one", "two", "three"});
    panel->setInterval(interval);
    panel->setEnableTimer(enableTimer);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TextPanelScroll before = panel->scroll();
    QTest::qWait(120);
    QCOMPARE(panel->scroll().topLine, before.topLine);
    QCOMPARE(panel->scroll().scrollOffset, before.scrollOffset);
    QVERIFY(InkIn(Render(*panel), panel->rect()).Any());
  }

  void tickOfAPanelOffScreenAdvancesWithoutPainting() {
    QWidget window;  // never shown
    auto* panel = new TextPanel(&window);
    panel->setEnableTimer(false);
    panel->setItems({"one", "two", "three", "four"});
    PaintCounter paints(panel);
    QVERIFY(!panel->isHidden());
    QVERIFY(!panel->isVisible());

    panel->scrollTick();
    QCOMPARE(panel->scroll().topLine, 1);
    QCOMPARE(panel->scroll().scrollOffset, -1);
    QCOMPARE(panel->scroll().lineHeight, LineHeightOf(*panel));
    QCOMPARE(panel->scroll().paintedTopLine, 1);

    for (int tick = 0; tick < LineHeightOf(*panel); ++tick) panel->scrollTick();
    QCOMPARE(panel->scroll().topLine, 2);
    QCOMPARE(panel->scroll().scrollOffset, -1);

    panel->setInterval(5);
    panel->setEnableTimer(true);
    QTRY_COMPARE(panel->scroll().topLine, 3);
    QCOMPARE(paints.count, 0);
  }

  void tickOfAPanelOnScreenPaintsAtOnce() {
    QWidget window;
    auto* panel = new TextPanel(&window);
    panel->setEnableTimer(false);
    panel->setItems({"one", "two"});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintCounter paints(panel);
    panel->scrollTick();
    QCOMPARE(paints.count, 1);
    panel->setItems({});
    panel->scrollTick();
    QCOMPARE(paints.count, 1);  // nothing to draw, so nothing is put on the panel

    // The panel's own hidden flag stops the tick altogether.
    panel->setItems({"one", "two"});
    panel->hide();
    const TextPanelScroll before = panel->scroll();
    panel->scrollTick();
    QCOMPARE(panel->scroll().topLine, before.topLine);
    QCOMPARE(panel->scroll().scrollOffset, before.scrollOffset);
  }

  // Lines of different lengths tell which line a row shows: row r (from 1) shows item TopLine + r.
  void rowsShowTheirLinesBeforeAndAfterALineStep() {
    const QStringList items = {"W", "WWW", "WWWWW", "WWWWWWW", "WWWWWWWWW"};
    QWidget window;
    auto* panel = QuietPanel(window, items, QSize(200, 1));
    const int lineHeight = LineHeightOf(*panel);
    panel->resize(200, 4 * lineHeight + lineHeight / 2);
    const QFontMetrics metrics(panel->textFont().font, panel);
    auto checkRows = [&](const std::vector<int>& expected) {
      const QImage image = Render(*panel);
      for (int row = 1; row <= static_cast<int>(expected.size()); ++row) {
        const int top = panel->scroll().scrollOffset + (row - 1) * lineHeight;
        const Ink ink = InkIn(image, QRect(0, top, image.width(), lineHeight));
        const int width = metrics.horizontalAdvance(items[expected[row - 1]]);
        if (!ink.Any() || std::abs(ink.Width() - width) > metrics.horizontalAdvance("W") / 2) {
          return QStringLiteral("row %1 has ink %2 wide, expected about %3")
              .arg(row)
              .arg(ink.Width())
              .arg(width);
        }
      }
      return QString();
    };
    QCOMPARE(checkRows({1, 2, 3, 4}), QString());

    panel->setStepSize(1);
    for (int tick = 0; tick < 5; ++tick) panel->scrollTick();
    const QImage shifted = Render(*panel);
    const QImage unshifted = [&] {
      QWidget other;
      auto* still = QuietPanel(other, items, panel->size());
      return Render(*still);
    }();
    // Five pixels up, the rows keep their lines.
    QCOMPARE(InkIn(shifted, QRect(0, lineHeight - 5, 200, lineHeight)).top,
             InkIn(unshifted, QRect(0, lineHeight, 200, lineHeight)).top - 5);
    QCOMPARE(checkRows({1, 2, 3, 4}), QString());

    for (int tick = 5; tick < lineHeight; ++tick) panel->scrollTick();
    QCOMPARE(panel->scroll().scrollOffset, 0);
    QCOMPARE(panel->scroll().topLine, 1);
    QCOMPARE(checkRows({2, 3, 4, 0}), QString());
  }

  void alignment_data() {
    QTest::addColumn<LineAlignment>("alignment");
    QTest::addColumn<ReadingOrder>("order");
    QTest::addColumn<PanelBorder>("border");
    QTest::addColumn<QString>("side");
    QTest::newRow("left") << LineAlignment::Left << ReadingOrder::LeftToRight << PanelBorder::None
                          << "left";
    QTest::newRow("right") << LineAlignment::Right << ReadingOrder::LeftToRight << PanelBorder::None
                           << "right";
    QTest::newRow("centre") << LineAlignment::Center << ReadingOrder::LeftToRight
                            << PanelBorder::None << "centre";
    QTest::newRow("centre of the outer width")
        << LineAlignment::Center << ReadingOrder::LeftToRight << PanelBorder::Single << "centre";
    QTest::newRow("right-to-left swaps left")
        << LineAlignment::Left << ReadingOrder::RightToLeftMirrored << PanelBorder::None << "right";
    QTest::newRow("right-to-left swaps right")
        << LineAlignment::Right << ReadingOrder::RightToLeftMirrored << PanelBorder::None << "left";
    QTest::newRow("reading order only keeps left")
        << LineAlignment::Left << ReadingOrder::RightToLeftAsAligned << PanelBorder::None << "left";
  }
  void alignment() {
    QFETCH(LineAlignment, alignment);
    QFETCH(ReadingOrder, order);
    QFETCH(PanelBorder, border);
    QFETCH(QString, side);
    QWidget window;
    auto* panel = QuietPanel(window, {"HHHH"}, QSize(200, 30));
    panel->setTextAlignment(alignment);
    panel->setReadingOrder(order);
    panel->setBorderStyle(border);
    const QRect client = panel->clientRect();
    // The row spans 3 to Width - 3 from the client area's origin.
    const int rowLeft = client.left() + 3;
    const int rowRight = client.left() + panel->width() - 3 - 1;
    const Ink ink = InkIn(Render(*panel), client.adjusted(1, 1, -1, -1));
    QVERIFY(ink.Any());
    if (side == "left") {
      QVERIFY2(ink.left >= rowLeft && ink.left <= rowLeft + 2,
               qPrintable(QString::number(ink.left)));
    } else if (side == "right") {
      QVERIFY2(ink.right <= rowRight && ink.right >= rowRight - 2,
               qPrintable(QString::number(ink.right)));
    } else {
      const double centre = (rowLeft + rowRight) / 2.0;
      QVERIFY2(std::abs(ink.CentreX() - centre) <= 1.0, qPrintable(QString::number(ink.CentreX())));
    }
  }

  void ampersands() {
    if (mervale::RunningUnderWine())
      QSKIP(
          "Wine: its stand-in fonts put more than two pixels between a text's ink and its advance");
    QWidget window;
    auto* panel = QuietPanel(window, {"", "A&&B", "&B", "B"}, QSize(200, 1));
    const int lineHeight = LineHeightOf(*panel);
    panel->resize(200, 4 * lineHeight);
    const QImage image = Render(*panel);
    auto row = [&](int number) {
      return InkIn(image, QRect(0, (number - 1) * lineHeight, 200, lineHeight));
    };
    const QFontMetrics metrics(panel->textFont().font, panel);
    // "&&" shows one ampersand.
    QVERIFY(std::abs(row(1).Width() - metrics.horizontalAdvance("A&B")) <= 2);
    QVERIFY(row(1).Width() > metrics.horizontalAdvance("AB") + 3);
    // "&B" shows B underlined: no ampersand, but ink below the letter.
    QVERIFY(std::abs(row(2).Width() - row(3).Width()) <= 2);
    QVERIFY(row(2).bottom - lineHeight > row(3).bottom - 2 * lineHeight);
  }

  void frames_data() {
    QTest::addColumn<BevelCut>("outer");
    QTest::addColumn<PanelBorder>("border");
    // Colours along the diagonal from the top-left corner, then of the top-right and bottom-left
    // corners: L light, D dark, S shadow, M midlight, C the panel's colour.
    QTest::addColumn<QString>("diagonal");
    QTest::addColumn<QString>("corners");
    QTest::newRow("raised") << BevelCut::Raised << PanelBorder::None << "LCC"
                            << "DD";
    QTest::newRow("lowered") << BevelCut::Lowered << PanelBorder::None << "DCC"
                             << "LL";
    QTest::newRow("single border") << BevelCut::None << PanelBorder::Single << "DSC"
                                   << "LL";
  }
  void frames() {
    QFETCH(BevelCut, outer);
    QFETCH(PanelBorder, border);
    QFETCH(QString, diagonal);
    QFETCH(QString, corners);
    QWidget window;
    auto* panel = QuietPanel(window, {" "}, QSize(40, 30));
    panel->setColor(QColor(0x20, 0x40, 0xc0));
    panel->setBevelOuter(outer);
    panel->setBorderStyle(border);
    const QPalette& colours = panel->palette();
    auto colourOf = [&](QChar code) {
      switch (code.toLatin1()) {
        case 'L':
          return colours.color(QPalette::Light);
        case 'D':
          return colours.color(QPalette::Dark);
        case 'S':
          return colours.color(QPalette::Shadow);
        default:
          return panel->color();
      }
    };
    const QImage image = Render(*panel);
    for (int step = 0; step < diagonal.size(); ++step) {
      QCOMPARE(image.pixelColor(step, step).rgb(), colourOf(diagonal[step]).rgb());
    }
    QCOMPARE(image.pixelColor(39, 0).rgb(), colourOf(corners[0]).rgb());
    QCOMPARE(image.pixelColor(0, 29).rgb(), colourOf(corners[1]).rgb());
  }

  void noLinesShowThePlainBackground() {
    QWidget window;
    auto* panel = QuietPanel(window, {}, QSize(40, 30));
    panel->setBevelOuter(BevelCut::Raised);
    panel->setColor(QColor(0x20, 0x40, 0xc0));
    const QImage image = Render(*panel);
    for (const QPoint& point : {QPoint(0, 0), QPoint(39, 0), QPoint(20, 15), QPoint(39, 29)}) {
      QCOMPARE(image.pixelColor(point).rgb(), panel->color().rgb());
    }
  }
};

QTEST_MAIN(TextPanelTest)
#include "text_panel_test.moc"
