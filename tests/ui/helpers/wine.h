// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace mervale {

// Whether the test runs under Wine, whose window manager differs from Windows' in a few places
// that tests must skip there, each with its reason.
bool RunningUnderWine();

}  // namespace mervale
