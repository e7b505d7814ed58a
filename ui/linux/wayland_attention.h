// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>

namespace mervale {

// A fresh xdg-activation token from the Wayland compositor, asked for without any input event
// behind it, or empty when there is no compositor or it does not answer within a moment. Activating
// a window with it is the protocol's way to ask for the user's attention: the compositor marks the
// window urgent, or, where its policy allows, focuses it.
QByteArray AttentionToken();

}  // namespace mervale
