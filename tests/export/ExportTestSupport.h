// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/TempTree.h" // ReadFile

#include "desktop/DesktopShell.h"
#include "rows/GridRows.h" // ExportRowsOf
#include "scan/ResultRow.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace nullsweep::test {

// Stands in for the desktop while it lives: the save dialog returns `savePath` (empty:
// cancelled) and the Yes/No question returns `answerYes`. Every request is recorded.
class FakeExportShell final : public DesktopShell {
  public:
    FakeExportShell() { previous_ = SetShell(this); }
    ~FakeExportShell() override { SetShell(previous_); }

    std::string SelectFolder() override { return {}; }
    void OpenFolder(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        questions.push_back({text, caption});
        return answerYes;
    }
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string SaveFileName(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return savePath;
    }

    std::string savePath;
    bool answerYes = true;
    std::vector<SaveFileRequest> saveRequests;
    std::vector<std::pair<std::string, std::string>> questions;

  private:
    DesktopShell* previous_;
};

// Records the wait window's calls as "show", "hide" and "text:<text>".
class RecordingWaitWindow final : public WaitDisplay {
  public:
    RecordingWaitWindow() { previous_ = SetWaitWindow(this); }
    ~RecordingWaitWindow() override { SetWaitWindow(previous_); }
    void ShowWait(bool visible, bool cancelVisible) override {
        calls.push_back(visible ? (cancelVisible ? "show+cancel" : "show") : "hide");
    }
    void SetWaitText(const std::string& text) override { calls.push_back("text:" + text); }

    std::vector<std::string> calls;

  private:
    WaitDisplay* previous_;
};

using FieldTexts = std::initializer_list<std::pair<FieldId, std::string>>;

// Adds a row under `parent` (null: top level) of a grid made ready for rows: the file named
// "File Name" at "Full Path" (default: the name alone) of "File Size" bytes, with every time
// at the epoch; no fields: an empty row.
PVirtualNode AddTestRow(TVirtualStringTree& grid, PVirtualNode parent, FieldTexts fields);

void WriteFile(const std::string& path, const std::string& content);
// The names in a folder, sorted, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);

// Runs python3 with `script` and `args`; returns its standard output. Fails the test when
// python3 exits with an error.
std::string RunPython(const std::string& script, const std::vector<std::string>& args);
// Lines of space-separated hexadecimal fields, as the Python helpers print them, back to bytes.
std::vector<std::vector<std::string>> DecodeHexTable(const std::string& text);

} // namespace nullsweep::test
