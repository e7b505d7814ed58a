// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Takes over the opening of web addresses while it lives and records them instead, so that tests
// see which pages a handler asked the system to open without a browser starting. A machine without
// a browser opener is one whose handler cannot be called: QDesktopServices::openUrl answers false.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  enum class Machine { kOpensPages, kOpensNothing };

  explicit UrlRecorder(Machine machine = Machine::kOpensPages) {
    for (const char* scheme : {"http", "https"}) {
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this,
                                      machine == Machine::kOpensPages ? "Open" : "NoSuchSlot");
    }
  }
  ~UrlRecorder() override {
    for (const char* scheme : {"http", "https"}) {
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
  }

  const QList<QUrl>& Opened() const { return opened_; }

 public slots:
  void Open(const QUrl& url) { opened_.append(url); }

 private:
  QList<QUrl> opened_;
};
