// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace nullsweep {

// Runs `work` on a thread of its own while the calling (user-interface) thread keeps handling
// paint, timer and other non-input events, so windows stay drawn and the wait window's busy
// indicator moves. Mouse and keyboard input is held until the work returns, then handled.
// While the work runs, what it asks of Shell() and WaitWindow() (dialogs, messages, the wait
// window) is done on the user-interface thread, which the work waits for. What `work` throws
// is thrown here once it has ended. Without an application object, `work` simply runs here.
void RunOffUiThread(const std::function<void()>& work);

} // namespace nullsweep
