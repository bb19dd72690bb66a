// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopShell.h"

#include <QDBusConnection>
#include <QPointer>
#include <QWidget>

namespace nullsweep {

// The desktop shell on a Qt desktop: QFileDialog for the folder picker and the file-save
// dialog, QMessageBox for questions and messages, QDesktopServices for everything opened in the
// user's default programs (which returns at once), and the file manager's ShowItems request
// (org.freedesktop.FileManager1) on the session bus to show a file. Dialogs are modal to the
// owner window.
class QtDesktopShell final : public DesktopShell {
  public:
    explicit QtDesktopShell(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    // Starts at the desktop folder (the home folder where there is none), folders only.
    std::string SelectFolder() override;
    void OpenFolder(const std::string& folder) override;
    // Asks the file manager on the bus to show the file; when the bus or the file manager does
    // not answer (or answers with an error), opens the folder instead.
    void ShowFile(const std::string& file, const std::string& folder) override;
    // The bus ShowFile asks on (the session bus unless replaced).
    void SetBus(const QDBusConnection& bus) { bus_ = bus; }
    void OpenUrl(const std::string& url) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;
    // No title of its own and no overwrite prompt: callers ask their own question.
    std::string SaveFileName(const SaveFileRequest& request) override;

  private:
    QPointer<QWidget> owner_;
    QDBusConnection bus_ = QDBusConnection::sessionBus();
};

} // namespace nullsweep
