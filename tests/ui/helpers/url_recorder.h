// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Takes over the opening of web addresses while it lives and records them instead, so that tests
// see which pages a handler asked the system to open without a browser starting.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  UrlRecorder() {
    for (const char* scheme : {"http", "https"}) {
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
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
