// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace nullsweep {

class QtDesktopShell;

// True when Qt has somewhere to show a window: an X11 or Wayland display, or a platform named
// through QT_QPA_PLATFORM (such as offscreen).
bool HasDisplay();

// `nullsweep [FOLDER...]`: opens the main window, scans each FOLDER as a drop does and runs the
// event loop until the window is closed. Returns the exit status: 1 without a display (after
// one line on standard error) or when the configuration cannot be loaded (after the warning).
// The folders named on the command line, as a drop would name them: absolute, "." and ".."
// taken lexically; one that cannot be made into a path is left out.
std::vector<std::string> FoldersOfArguments(int argc, char** argv);

int RunWindow(int argc, char** argv);

// The part of RunWindow after the application object and the desktop shell exist: shows the
// main window (with the wait window), and unless its start failed, has `folders` scanned as one
// drop and runs the event loop. Returns 1 after a failed start, else the loop's exit status.
// `shell`, when given, gets the main window as the owner of its dialogs.
int RunMainWindow(const std::vector<std::string>& folders, QtDesktopShell* shell = nullptr);

} // namespace nullsweep
