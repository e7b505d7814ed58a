// SPDX-License-Identifier: GPL-3.0-or-later

#include <QBuffer>
#include <QFile>
#include <QTest>

#include "ui/app_icon.h"
#include "ui/jpeg_image.h"

using namespace mervale;

class JpegImageTest : public QObject {
  Q_OBJECT

 private:
  static QByteArray Banner() {
    QFile file(QStringLiteral(":/banner.jpg"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
  }

 private slots:
  void bannerDecodes() {
    const QImage banner = DecodeJpeg(Banner());
    QCOMPARE(banner.size(), QSize(88, 31));
    QCOMPARE(banner.format(), QImage::Format_RGB888);
    // A real picture, not a grey fill: its corner and its middle differ.
    QVERIFY(banner.pixel(1, 1) != banner.pixel(44, 15));
  }

  void decodesWhatItIsGiven() {
    QImage picture(5, 3, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "JPG", 100));

    const QImage decoded = DecodeJpeg(bytes);
    QCOMPARE(decoded.size(), QSize(5, 3));
    const QColor middle = decoded.pixelColor(2, 1);
    QVERIFY(qAbs(middle.red() - 200) < 8 && middle.green() < 40 && middle.blue() < 40);
  }

  void badDataGivesNullImage_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray banner = Banner();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("this is not a picture at all, just words", 40);
    QTest::newRow("header only") << banner.left(20);
    QTest::newRow("truncated") << banner.left(banner.size() / 2);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    RenderAppIcon(16).save(&buffer, "PNG");
    QTest::newRow("another format") << png;
  }

  void badDataGivesNullImage() {
    QFETCH(QByteArray, bytes);
    QVERIFY(DecodeJpeg(bytes).isNull());
  }
};

QTEST_MAIN(JpegImageTest)
#include "jpeg_image_test.moc"
