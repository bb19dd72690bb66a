// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "scan/DesktopShell.h"
#include "scan/ResultRow.h"
#include "support/TempTree.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

// Answers dialogs from a script and records every request.
struct ScriptedShell final : TDesktopShell {
    std::deque<std::string> folders;
    bool answer = true;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    std::vector<std::string> opened;

    std::string SelectFolder() override {
        if (folders.empty()) return {};
        std::string f = folders.front();
        folders.pop_front();
        return f;
    }
    void OpenFolder(const std::string& folder) override { opened.push_back(folder); }
    void OpenUrl(const std::string& url) override { opened.push_back(url); }
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        questions.push_back(caption + ": " + text);
        return answer;
    }
    void ShowMessage(const std::string& text, const std::string& caption, TMessageIcon) override {
        messages.push_back(caption + ": " + text);
    }
    std::string SaveFileName(const TSaveFileRequest&) override { return {}; }
};

struct RecordingWait final : TWaitWindow {
    std::vector<std::string> calls;
    bool failText = false;
    void ShowWait(bool visible, bool cancelVisible) override {
        calls.push_back(std::string(visible ? "show" : "hide") + (cancelVisible ? "+cancel" : ""));
    }
    void SetWaitText(const std::string& text) override {
        calls.push_back("text " + text);
        if (failText) throw std::runtime_error("cannot paint");
    }
};

// A shown main window with the fake shell and wait window installed.
struct Fixture {
    ScriptedShell shell;
    RecordingWait wait;
    TFMMain window;
    QAbstractItemModelTester tester{&window.View().Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};

    Fixture() {
        SetShell(&shell);
        SetWaitWindow(&wait);
        window.show();
    }
    ~Fixture() {
        SetShell(nullptr);
        SetWaitWindow(nullptr);
    }
    TVirtualStringTree& vt() { return window.VT(); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (PVirtualNode n = vt().GetFirst(); n; n = vt().GetNext(n))
            out.emplace_back(RowOf(n).Field(TField::FileName));
        return out;
    }
    std::vector<int> checks() {
        std::vector<int> out;
        for (PVirtualNode n = vt().GetFirst(); n; n = vt().GetNext(n))
            out.push_back(n->CheckState);
        return out;
    }
    void drop(const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto& p : paths)
            urls.append(QUrl::fromLocalFile(QString::fromStdString(p)));
        data.setUrls(urls);
        const QPoint at = window.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
    }
};

// Two folders of empty files, named so that a sort would change their order.
struct TwoFolders : TempTree {
    TwoFolders() {
        File("one/b.txt");
        File("two/a.txt");
        File("two/full.txt", "data");
        File("file.txt");
    }
};

} // namespace

TEST(MainWindow, ShowsItsCaptionButtonsMenusAndStatusBar) {
    Fixture f;
    EXPECT_EQ(f.window.windowTitle(), "Tarvel Nullsweep 2.9.5");
    EXPECT_FALSE(f.window.StartFailed());

    std::vector<QString> texts;
    for (QPushButton* b : {f.window.btnOpen, f.window.BitBtn1, f.window.btnDelete,
                           f.window.btnDelAll, f.window.SpeedButton1, f.window.SpeedButton2})
        texts.push_back(b->text());
    EXPECT_EQ(texts, (std::vector<QString>{"&Open Folder", "&Clear All", "&Delete",
                                           "Delete &All Checked", "&Help", "&Exit"}));
    // Left to right in that order.
    EXPECT_LT(f.window.btnOpen->x(), f.window.BitBtn1->x());
    EXPECT_LT(f.window.btnDelAll->x(), f.window.SpeedButton1->x());
    EXPECT_LT(f.window.SpeedButton1->x(), f.window.SpeedButton2->x());
    // Tab order: Open Folder, Delete, Delete All Checked, Clear All, Exit, Help.
    EXPECT_EQ(f.window.btnOpen->nextInFocusChain(), f.window.btnDelete);
    EXPECT_EQ(f.window.btnDelete->nextInFocusChain(), f.window.btnDelAll);
    EXPECT_EQ(f.window.btnDelAll->nextInFocusChain(), f.window.BitBtn1);
    EXPECT_EQ(f.window.BitBtn1->nextInFocusChain(), f.window.SpeedButton2);
    EXPECT_EQ(f.window.SpeedButton2->nextInFocusChain(), f.window.SpeedButton1);

    QStringList menu;
    for (QAction* a : f.window.menuBar()->actions())
        menu << a->text();
    EXPECT_EQ(menu, (QStringList{"About", "Help"}));
    QStringList popup;
    for (QAction* a : f.window.PopupMenu1->actions())
        popup << a->text();
    EXPECT_EQ(popup, (QStringList{"Export To HTML", "Export To Text", "Export To Excel",
                                  "Export To SCV", "Export To XML"}));

    EXPECT_EQ(f.window.SBPanels[0]->width(), 700);
    EXPECT_EQ(f.window.SBPanels[1]->width(), 50);
    EXPECT_TRUE(f.window.SBPanels[0]->text().isEmpty());
    EXPECT_TRUE(f.window.cbCheckAll->isChecked());
}

TEST(MainWindow, AcceptsDropsOnlyOnceShown) {
    ScriptedShell shell;
    SetShell(&shell);
    TFMMain window;
    EXPECT_FALSE(window.acceptDrops());
    window.show();
    EXPECT_TRUE(window.acceptDrops());
    SetShell(nullptr);
}

TEST(MainWindow, OpenFolderScansShowsTheWaitWindowAndSorts) {
    TwoFolders t;
    Fixture f;
    f.shell.folders = {t.Root()};
    f.vt().OnCompareNodes = [](PVirtualNode a, PVirtualNode b, int, int& r) {
        r = RowOf(a).Field(TField::FileName).compare(RowOf(b).Field(TField::FileName));
    };
    QTest::mouseClick(f.window.btnOpen, Qt::LeftButton);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"a.txt", "b.txt", "file.txt"}));
    EXPECT_EQ(f.wait.calls, (std::vector<std::string>{"show", "text Loading info..", "hide"}));
    EXPECT_EQ(f.checks(), (std::vector<int>{2, 2, 2}));
}

TEST(MainWindow, OpenFolderCancelledChangesNoRowsButReSorts) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Path("two"), t.Path("one")});
    ASSERT_EQ(f.names(), (std::vector<std::string>{"a.txt", "b.txt"}));
    f.vt().SetSortDirection(sdDescending);
    int comparisons = 0;
    f.vt().OnCompareNodes = [&](PVirtualNode a, PVirtualNode b, int column, int& r) {
        ++comparisons;
        EXPECT_EQ(column, -1);
        r = RowOf(a).Field(TField::FileName).compare(RowOf(b).Field(TField::FileName));
    };
    f.wait.calls.clear();
    f.window.btnOpenClick(); // the picker answers with nothing
    EXPECT_GT(comparisons, 0);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt", "a.txt"}));
    EXPECT_TRUE(f.wait.calls.empty());
}

TEST(MainWindow, DroppedFoldersAreScannedInOrderAndNotSorted) {
    TwoFolders t;
    Fixture f;
    f.vt().OnCompareNodes = [](PVirtualNode, PVirtualNode, int, int& r) { r = 1; };
    QSignalSpy resets(&f.window.View().Model(), &QAbstractItemModel::modelReset);
    f.drop({t.Path("one"), t.Path("file.txt"), t.Path("missing"), t.Path("two")});
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt", "a.txt"}));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(f.wait.calls, (std::vector<std::string>{"show", "hide"}));

    // The same folder again lists its files again; a file alone adds nothing.
    f.drop({t.Path("one")});
    f.drop({t.Path("file.txt")});
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt", "a.txt", "b.txt"}));
}

TEST(MainWindow, CheckAllSetsEveryRowAndNewRowsStartChecked) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Path("one"), t.Path("two")});
    QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(f.window.cbCheckAll->isChecked());
    EXPECT_EQ(f.checks(), (std::vector<int>{0, 0}));

    f.window.DropFolders({t.Path("one")});
    EXPECT_EQ(f.checks(), (std::vector<int>{0, 0, 2}));
    EXPECT_FALSE(f.window.cbCheckAll->isChecked()); // no tie to the rows

    QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(f.checks(), (std::vector<int>{2, 2, 2}));
}

TEST(MainWindow, ClearAllAsksNothingAndDeletesNoFile) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Root()});
    ASSERT_EQ(f.vt().TotalCount(), 3u);
    f.vt().SetFocusedNode(f.vt().GetFirst());
    QTest::mouseClick(f.window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(f.vt().TotalCount(), 0u);
    EXPECT_EQ(f.vt().FocusedNode(), nullptr);
    EXPECT_TRUE(f.shell.questions.empty());
    EXPECT_TRUE(std::filesystem::exists(t.Path("one/b.txt")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("file.txt")));
}

TEST(MainWindow, ExitClosesTheWindow) {
    Fixture f;
    ASSERT_TRUE(f.window.isVisible());
    QTest::mouseClick(f.window.SpeedButton2, Qt::LeftButton);
    EXPECT_FALSE(f.window.isVisible());
}

TEST(MainWindow, ACommandThatFailsIsDroppedAndTheWindowGoesOn) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Path("one")});
    f.shell.folders = {t.Path("two")};
    f.wait.failText = true;
    QTest::mouseClick(f.window.btnOpen, Qt::LeftButton); // fails before the scan
    EXPECT_EQ(f.vt().TotalCount(), 1u);
    EXPECT_EQ(f.wait.calls.back(), "hide");
    EXPECT_EQ(f.vt().UpdateCount(), 0);
    f.wait.failText = false;
    f.shell.folders = {t.Path("two")};
    QTest::mouseClick(f.window.btnOpen, Qt::LeftButton);
    EXPECT_EQ(f.vt().TotalCount(), 2u);
}
