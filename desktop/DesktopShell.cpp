// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopShell.h"

#include <utility>

namespace nullsweep {

namespace {

class NoDesktop final : public DesktopShell {
  public:
    std::string SelectFolder() override { return {}; }
    void OpenFolder(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string SaveFileName(const SaveFileRequest&) override { return {}; }
};

class NoWaitWindow final : public WaitDisplay {
  public:
    void ShowWait(bool, bool) override {}
    void SetWaitText(const std::string&) override {}
};

NoDesktop noDesktop;
NoWaitWindow noWaitWindow;
DesktopShell* currentShell = &noDesktop;
WaitDisplay* currentWaitWindow = &noWaitWindow;

} // namespace

DesktopShell& Shell() {
    return *currentShell;
}

DesktopShell* SetShell(DesktopShell* shell) {
    return std::exchange(currentShell, shell ? shell : &noDesktop);
}

WaitDisplay& WaitWindow() {
    return *currentWaitWindow;
}

WaitDisplay* SetWaitWindow(WaitDisplay* window) {
    return std::exchange(currentWaitWindow, window ? window : &noWaitWindow);
}

} // namespace nullsweep
