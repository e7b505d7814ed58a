// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/linux/wayland_attention.h"

#include <poll.h>
#include <wayland-client.h>

#include <QDeadlineTimer>
#include <cstring>
#include <memory>

#include "xdg-activation-v1-client-protocol.h"

namespace mervale {
namespace {

constexpr int kAnswerMilliseconds = 1000;

template <typename Proxy>
using Owned = std::unique_ptr<Proxy, void (*)(Proxy*)>;

struct Answer {
  Owned<xdg_activation_v1> activation{nullptr, xdg_activation_v1_destroy};
  bool announced = false;
  bool issued = false;
  QByteArray token;
};

void Announce(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto& answer = *static_cast<Answer*>(data);
  if (!answer.activation && std::strcmp(interface, xdg_activation_v1_interface.name) == 0)
    answer.activation.reset(static_cast<xdg_activation_v1*>(
        wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1)));
}
constexpr wl_registry_listener kRegistryListener{Announce, [](void*, wl_registry*, uint32_t) {}};

constexpr wl_callback_listener kSyncListener{
    [](void* data, wl_callback*, uint32_t) { static_cast<Answer*>(data)->announced = true; }};

void Issue(void* data, xdg_activation_token_v1*, const char* token) {
  auto& answer = *static_cast<Answer*>(data);
  answer.token = token;
  answer.issued = true;
}
constexpr xdg_activation_token_v1_listener kTokenListener{Issue};

// Handles the compositor's events until `flag` is set; false once the deadline passed or the
// connection broke. Unlike wl_display_roundtrip the wait is bounded: the UI thread is waiting. Each
// dispatch handles all it read, so nothing is left queued while poll waits for more.
bool DispatchUntil(wl_display* display, const bool& flag, const QDeadlineTimer& deadline) {
  pollfd readable{wl_display_get_fd(display), POLLIN, 0};
  while (!flag) {
    if (wl_display_flush(display) < 0 || poll(&readable, 1, int(deadline.remainingTime())) <= 0 ||
        wl_display_dispatch(display) < 0)
      return false;
  }
  return true;
}

}  // namespace

QByteArray AttentionToken() {
  // Qt's Wayland platform keeps its connection to itself; this one is ours for the one question.
  const Owned<wl_display> display(wl_display_connect(nullptr), wl_display_disconnect);
  if (!display) return {};
  const QDeadlineTimer deadline(kAnswerMilliseconds);
  Answer answer;
  const Owned<wl_registry> registry(wl_display_get_registry(display.get()), wl_registry_destroy);
  wl_registry_add_listener(registry.get(), &kRegistryListener, &answer);
  const Owned<wl_callback> sync(wl_display_sync(display.get()), wl_callback_destroy);
  wl_callback_add_listener(sync.get(), &kSyncListener, &answer);
  if (!DispatchUntil(display.get(), answer.announced, deadline) || !answer.activation) return {};
  const Owned<xdg_activation_token_v1> token(
      xdg_activation_v1_get_activation_token(answer.activation.get()),
      xdg_activation_token_v1_destroy);
  xdg_activation_token_v1_add_listener(token.get(), &kTokenListener, &answer);
  xdg_activation_token_v1_commit(token.get());
  DispatchUntil(display.get(), answer.issued, deadline);
  return answer.token;
}

}  // namespace mervale
