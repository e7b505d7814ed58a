// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace mervale {

// Whether the tray that takes the program's icon reports double clicks on it (Windows, the XEmbed
// trays of X11) or only single clicks (the StatusNotifierItem hosts, which send "Activate").
bool TrayHostReportsDoubleClicks();

}  // namespace mervale
