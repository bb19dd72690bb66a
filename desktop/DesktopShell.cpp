// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopShell.h"

#include <utility>

namespace nullsweep {

namespace {

class NoDesktop final : public TDesktopShell {
  public:
    std::string SelectFolder() override { return {}; }
    void OpenFolder(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string SaveFileName(const SaveFileRequest&) override { return {}; }
};

class NoWaitWindow final : public TWaitWindow {
  public:
    void ShowWait(bool, bool) override {}
    void SetWaitText(const std::string&) override {}
};

NoDesktop noDesktop;
NoWaitWindow noWaitWindow;
TDesktopShell* currentShell = &noDesktop;
TWaitWindow* currentWaitWindow = &noWaitWindow;

} // namespace

TDesktopShell& Shell() {
    return *currentShell;
}

TDesktopShell* SetShell(TDesktopShell* shell) {
    return std::exchange(currentShell, shell ? shell : &noDesktop);
}

TWaitWindow& WaitWindow() {
    return *currentWaitWindow;
}

TWaitWindow* SetWaitWindow(TWaitWindow* window) {
    return std::exchange(currentWaitWindow, window ? window : &noWaitWindow);
}

} // namespace nullsweep
