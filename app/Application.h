// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace nullsweep {

// True when Qt has somewhere to show a window: an X11 or Wayland display, or a platform named
// through QT_QPA_PLATFORM (such as offscreen).
bool HasDisplay();

// `nullsweep [FOLDER...]`: opens the main window, scans each FOLDER as a drop does and runs the
// event loop until the window is closed. Returns the exit status: 1 without a display (after
// one line on standard error) or when the configuration cannot be loaded (after the warning).
int RunWindow(int argc, char** argv);

} // namespace nullsweep
