// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/DesktopShell.h"

#include <QPointer>
#include <QWidget>

namespace nullsweep {

// The desktop shell on a Qt desktop: QFileDialog for the folder picker and the file-save
// dialog, QMessageBox for questions and messages, QDesktopServices for everything opened in the
// user's default programs (which returns at once). Dialogs are modal to the owner window.
class TQtDesktopShell final : public TDesktopShell {
  public:
    explicit TQtDesktopShell(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    // Starts at the desktop folder (the home folder where there is none), folders only.
    std::string SelectFolder() override;
    void OpenFolder(const std::string& folder) override;
    void OpenUrl(const std::string& url) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override;
    // No title of its own and no overwrite prompt: callers ask their own question.
    std::string SaveFileName(const TSaveFileRequest& request) override;

  private:
    QPointer<QWidget> owner_;
};

} // namespace nullsweep
