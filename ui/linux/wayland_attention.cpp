// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/linux/wayland_attention.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QtEndian>

#include <cstdint>
#include <optional>

namespace mervale {
namespace {

// Qt's Wayland platform keeps its connection to itself, so the token is asked for on a connection
// of our own, in the protocol's wire format: each message is the object, the size with the
// opcode, and 32-bit arguments; a string is its length with the closing zero, then its bytes
// padded to four.
constexpr std::uint32_t kDisplay = 1, kRegistry = 2, kSyncDone = 3, kActivation = 4, kToken = 5;
constexpr int kAnswerMilliseconds = 1000;

void AppendWord(QByteArray& message, std::uint32_t word) {
  const std::uint32_t little = qToLittleEndian(word);
  message.append(reinterpret_cast<const char*>(&little), sizeof little);
}

void AppendString(QByteArray& message, const QByteArray& text) {
  AppendWord(message, static_cast<std::uint32_t>(text.size() + 1));
  message.append(text).append('\0');
  while (message.size() % 4 != 0) message.append('\0');
}

void Send(QLocalSocket& socket, std::uint32_t object, std::uint16_t opcode,
          const QByteArray& arguments = {}) {
  QByteArray message;
  AppendWord(message, object);
  AppendWord(message, static_cast<std::uint32_t>((8 + arguments.size()) << 16) | opcode);
  socket.write(message + arguments);
}

std::uint32_t WordAt(const QByteArray& bytes, qsizetype at) {
  return qFromLittleEndian<std::uint32_t>(bytes.constData() + at);
}

QByteArray StringAt(const QByteArray& bytes, qsizetype at) {
  return bytes.mid(at + 4, qsizetype(WordAt(bytes, at)) - 1);
}

struct Event {
  std::uint32_t object;
  std::uint16_t opcode;
  QByteArray arguments;
};

// The next event, or nothing once the deadline passed or the compositor closed the connection.
std::optional<Event> NextEvent(QLocalSocket& socket, const QDeadlineTimer& deadline) {
  while (socket.bytesAvailable() < 8 ||
         socket.bytesAvailable() < (WordAt(socket.peek(8), 4) >> 16)) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
      return std::nullopt;
  }
  const QByteArray header = socket.read(8);
  const std::uint32_t sizeAndOpcode = WordAt(header, 4);
  return Event{WordAt(header, 0), static_cast<std::uint16_t>(sizeAndOpcode & 0xffff),
               socket.read((sizeAndOpcode >> 16) - 8)};
}

}  // namespace

QByteArray AttentionToken() {
  const QString display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
  QLocalSocket socket;
  socket.connectToServer(QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(display));
  const QDeadlineTimer deadline(kAnswerMilliseconds);
  if (!socket.waitForConnected(int(deadline.remainingTime()))) return {};
  QByteArray id;
  AppendWord(id, kRegistry);
  Send(socket, kDisplay, 1, id);  // wl_display.get_registry
  id.clear();
  AppendWord(id, kSyncDone);
  Send(socket, kDisplay, 0, id);  // wl_display.sync: done once every global was announced
  std::optional<std::uint32_t> activationGlobal;
  while (const std::optional<Event> event = NextEvent(socket, deadline)) {
    if (event->object == kSyncDone) break;
    if (event->object == kRegistry && event->opcode == 0 &&
        StringAt(event->arguments, 4) == "xdg_activation_v1")
      activationGlobal = WordAt(event->arguments, 0);
  }
  if (!activationGlobal) return {};
  QByteArray bind;
  AppendWord(bind, *activationGlobal);
  AppendString(bind, "xdg_activation_v1");
  AppendWord(bind, 1);
  AppendWord(bind, kActivation);
  Send(socket, kRegistry, 0, bind);  // wl_registry.bind
  id.clear();
  AppendWord(id, kToken);
  Send(socket, kActivation, 1, id);  // xdg_activation_v1.get_activation_token
  Send(socket, kToken, 3);           // xdg_activation_token_v1.commit
  while (const std::optional<Event> event = NextEvent(socket, deadline)) {
    if (event->object == kToken && event->opcode == 0) return StringAt(event->arguments, 0);
    if (event->object == kDisplay && event->opcode == 0) return {};  // wl_display.error
  }
  return {};
}

}  // namespace mervale
