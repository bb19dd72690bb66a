// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeShell.h"

namespace nullsweep::test {

namespace {

template <typename T> T take(std::deque<T>& script, T otherwise) {
    if (script.empty()) return otherwise;
    T value = std::move(script.front());
    script.pop_front();
    return value;
}

} // namespace

FakeShell::FakeShell() : previous_(SetShell(this)) {}

FakeShell::~FakeShell() {
    SetShell(previous_);
}

std::vector<FakeShell::Call> FakeShell::CallsOf(Kind kind) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
        if (c.kind == kind) out.push_back(c);
    return out;
}

std::string FakeShell::SelectFolder() {
    calls_.push_back({Kind::SelectFolder, {}, {}, MessageIcon::None, {}});
    return take<std::string>(folders, {});
}

void FakeShell::OpenFolder(const std::string& folder) {
    calls_.push_back({Kind::OpenFolder, folder, {}, MessageIcon::None, {}});
}

void FakeShell::ShowFile(const std::string& file, const std::string& folder) {
    calls_.push_back({Kind::ShowFile, file, folder, MessageIcon::None, {}});
}

void FakeShell::OpenUrl(const std::string& url) {
    calls_.push_back({Kind::OpenUrl, url, {}, MessageIcon::None, {}});
}

bool FakeShell::AskYesNo(const std::string& text, const std::string& caption) {
    calls_.push_back({Kind::AskYesNo, text, caption, MessageIcon::Question, {}});
    return take(answers, false);
}

void FakeShell::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    calls_.push_back({Kind::ShowMessage, text, caption, icon, {}});
}

std::string FakeShell::SaveFileName(const SaveFileRequest& request) {
    calls_.push_back({Kind::SaveFileName, {}, {}, MessageIcon::None, request});
    return take<std::string>(saveNames, {});
}

} // namespace nullsweep::test
