// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

namespace nullsweep {

// Runs one command of the user's (a button, a menu item, a drop, a click in the grid) and drops
// whatever escapes it: a failed command leaves the window as it was, the user sees nothing, and
// no exception ever unwinds through Qt's event handling. Every event handler that runs program
// code goes through here.
template <typename Command> void RunCommand(Command&& command) noexcept {
    try {
        std::forward<Command>(command)();
    } catch (...) {
    }
}

} // namespace nullsweep
