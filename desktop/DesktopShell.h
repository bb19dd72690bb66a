// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

enum class MessageIcon { None, Question, Warning };

// What a file-save dialog is asked for. `filter` is in the toolkit's form, e.g.
// "Text File (*.txt)"; `defaultSuffix` has no dot ("txt").
struct SaveFileRequest {
    std::string defaultSuffix;
    std::string filter;
    std::string initialName;
};

// The desktop's services and the program's dialogs, behind one interface so that tests can
// replace them all. Texts and paths are byte strings (paths exactly as the file system has them).
class DesktopShell {
  public:
    virtual ~DesktopShell() = default;

    // The folder picker (folders only); empty when the user cancels.
    virtual std::string SelectFolder() = 0;
    // Opens a folder in the file manager; returns at once, the outcome is not looked at.
    virtual void OpenFolder(const std::string& folder) = 0;
    // Shows the file `file`, selected, in the file manager; where none answers, opens its
    // `folder` as OpenFolder does. Returns at once.
    virtual void ShowFile(const std::string& file, const std::string& folder) {
        (void)file;
        OpenFolder(folder);
    }
    // Opens a web address or a mailto: link in the user's default program.
    virtual void OpenUrl(const std::string& url) = 0;
    // A modal Yes/No question with the question icon; true unless the answer is No.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // A modal message with one OK button.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
    // The file-save dialog; the chosen path, or empty when the user cancels.
    virtual std::string SaveFileName(const SaveFileRequest& request) = 0;
};

// The process-wide shell. Until one is installed, a shell that opens nothing, answers every
// question with No, cancels every dialog and shows nothing (what a program without a desktop,
// such as the command line, gets).
DesktopShell& Shell();
// Installs `shell` (not owned; null restores the default) and returns the one it replaces.
DesktopShell* SetShell(DesktopShell* shell);

// The wait window's two operations, as long operations call them. Until a window is installed
// they do nothing.
class WaitDisplay {
  public:
    virtual ~WaitDisplay() = default;
    virtual void ShowWait(bool visible, bool cancelVisible) = 0;
    virtual void SetWaitText(const std::string& text) = 0;
};

WaitDisplay& WaitWindow();
WaitDisplay* SetWaitWindow(WaitDisplay* window);

inline void ShowWait(bool visible, bool cancelVisible) {
    WaitWindow().ShowWait(visible, cancelVisible);
}
inline void SetWaitText(const std::string& text) {
    WaitWindow().SetWaitText(text);
}

// Shows the wait window without its Cancel button while it lives (with `text` when given, else
// with the text it had) and hides it when it ends, on every path.
class WaitScope {
  public:
    WaitScope() { ShowWait(true, false); }
    explicit WaitScope(std::string_view text) : WaitScope() { SetWaitText(std::string(text)); }
    ~WaitScope() { ShowWait(false, false); }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;
};

} // namespace nullsweep
