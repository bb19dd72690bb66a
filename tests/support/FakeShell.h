// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopShell.h"

#include <deque>
#include <string>
#include <vector>

namespace nullsweep::test {

// A desktop shell for tests: records every call in order and answers from scripts. Installed
// as Shell() for its lifetime. With an empty script the picker and the save dialog are
// cancelled and questions are answered No.
class FakeShell final : public DesktopShell {
  public:
    enum class Kind {
        SelectFolder,
        OpenFolder,
        ShowFile,
        OpenUrl,
        AskYesNo,
        ShowMessage,
        SaveFileName
    };
    struct Call {
        Kind kind;
        std::string text;    // folder, file, URL or message text
        std::string caption; // questions and messages; the folder of a file shown
        MessageIcon icon = MessageIcon::None;
        SaveFileRequest request; // SaveFileName
    };

    FakeShell();
    ~FakeShell() override;
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    // Scripted answers, used in order.
    std::deque<std::string> folders;
    std::deque<bool> answers;
    std::deque<std::string> saveNames;

    const std::vector<Call>& Calls() const { return calls_; }
    // The calls of one kind, in order.
    std::vector<Call> CallsOf(Kind kind) const;

    std::string SelectFolder() override;
    void OpenFolder(const std::string& folder) override;
    void ShowFile(const std::string& file, const std::string& folder) override;
    void OpenUrl(const std::string& url) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;
    std::string SaveFileName(const SaveFileRequest& request) override;

  private:
    std::vector<Call> calls_;
    DesktopShell* previous_;
};

} // namespace nullsweep::test
