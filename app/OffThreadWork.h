// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace nullsweep {

// Runs `work` on a thread of its own while the calling (user-interface) thread keeps handling
// handling its events, so windows stay drawn, the wait window's busy indicator moves and its
// Cancel button works. Input is handled as it comes (never held and replayed afterwards): the
// caller disables what must not act on it while the work runs.
// While the work runs, what it asks of Shell() and WaitWindow() (dialogs, messages, the wait
// window) is done on the user-interface thread, which the work waits for. What `work` throws
// is thrown here once it has ended. Without an application object, `work` simply runs here.
void RunOffUiThread(const std::function<void()>& work);

} // namespace nullsweep
