// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "app/AboutForm.h"
#include "app/WaitForm.h"
#include "config/ConfigStore.h"
#include "config/DefaultConfig.h"
#include "grid/GridLook.h"
#include "rows/GridRows.h"
#include "scan/ResultRow.h"
#include "support/FakeShell.h"
#include "support/TempTree.h"
#include "support/WorkbookReader.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <linux/capability.h>
#include <stdexcept>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

using namespace nullsweep;
using nullsweep::test::FakeShell;
using nullsweep::test::TempTree;
using Kind = nullsweep::test::FakeShell::Kind;

namespace {

struct RecordingWait final : WaitDisplay {
    std::vector<std::string> calls;
    bool failText = false;
    WaitDisplay* inner = nullptr; // a real wait window to pass the calls on to
    // Runs at each text, on the user-interface thread while the work waits for it.
    std::function<void(const std::string&)> onText;
    void ShowWait(bool visible, bool cancelVisible) override {
        calls.push_back(std::string(visible ? "show" : "hide") + (cancelVisible ? "+cancel" : ""));
        if (inner) inner->ShowWait(visible, cancelVisible);
    }
    void SetWaitText(const std::string& text) override {
        calls.push_back("text " + text);
        if (inner) inner->SetWaitText(text);
        if (onText) onText(text);
        if (failText) throw std::runtime_error("cannot paint");
    }
};

// The configuration the window reads, in a folder of its own.
struct ConfigFile {
    TempTree folder;
    explicit ConfigFile(const std::string& text = std::string(DefaultConfigText)) {
        folder.File("CorvaneConfig.xml", text);
        UseConfigFile(folder.Path("CorvaneConfig.xml"));
    }
    ~ConfigFile() { UseConfigFile({}); }
};

// A shown main window over the default columns, with the fake shell and wait window.
struct Fixture {
    ConfigFile config;
    FakeShell shell;
    RecordingWait wait;
    TFMMain window;
    QAbstractItemModelTester tester{&window.View().Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};

    explicit Fixture(const std::string& configText = std::string(DefaultConfigText))
        : config(configText) {
        SetWaitWindow(&wait);
        window.show();
    }
    ~Fixture() { SetWaitWindow(nullptr); }
    TVirtualStringTree& vt() { return window.VT(); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (PVirtualNode n = vt().GetFirst(); n; n = vt().GetNext(n))
            out.emplace_back(RowOf(n).Name());
        return out;
    }
    std::vector<int> checks() {
        std::vector<int> out;
        for (PVirtualNode n = vt().GetFirst(); n; n = vt().GetNext(n))
            out.push_back(n->CheckState);
        return out;
    }
    PVirtualNode row(int index) { return vt().RootNode()->ChildAt(std::uint32_t(index)); }
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
    void clickHeader(int column, Qt::MouseButton button = Qt::LeftButton) {
        QHeaderView* header = window.View().header();
        QTest::mouseClick(header->viewport(), button, {},
                          QPoint(header->sectionViewportPosition(column) + 30, 8));
    }
};

// The locale the window's numbers follow, for one test.
struct DefaultLocale {
    const QLocale before;
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(before); }
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
    EXPECT_EQ(f.window.windowTitle(), "Tarvel Nullsweep " NULLSWEEP_VERSION);
    EXPECT_FALSE(f.window.StartFailed());
    ASSERT_NE(f.window.Ctrl(), nullptr);
    EXPECT_EQ(f.vt().Columns().Count(), 7u);
    EXPECT_EQ(f.window.View().Model().headerData(0, Qt::Horizontal).toString(),
              "         File Name");

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
                                  "Export To SCV", "Export To XML", "", "Move Checked To Trash",
                                  "Undo Last Delete", "Sort By"}));

    // The message panel, the spare one and the summary side by side, none over another.
    EXPECT_LE(f.window.SBPanels[0]->width(), 700);
    EXPECT_GE(f.window.SBPanels[0]->width(), 300);
    EXPECT_EQ(f.window.SBPanels[1]->width(), 50);
    EXPECT_LT(f.window.SBPanels[0]->geometry().right(), f.window.SBPanels[1]->x());
    EXPECT_LT(f.window.SBPanels[1]->geometry().right(), f.window.SBSummary->x());
    EXPECT_LE(f.window.SBSummary->geometry().right(), f.window.SB->width());
    EXPECT_TRUE(f.window.SBPanels[0]->text().isEmpty());
    EXPECT_TRUE(f.window.cbCheckAll->isChecked());
    // The box sits over the left end of the header.
    const QPoint box = f.window.cbCheckAll->mapTo(&f.window, QPoint(8, 8));
    const QPoint header = f.window.View().header()->mapTo(&f.window, QPoint(0, 0));
    EXPECT_GE(box.y(), header.y());
    EXPECT_LT(box.y(), header.y() + f.window.View().header()->height());
}

// The window fits the screen's available area, whatever its size.
TEST(MainWindow, IsPlacedInsideTheAvailableScreenArea) {
    Fixture f;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.window));
    const QRect area = f.window.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(f.window.frameGeometry()))
        << area.width() << "x" << area.height() << " " << f.window.frameGeometry().x() << ","
        << f.window.frameGeometry().y() << " " << f.window.frameGeometry().width() << "x"
        << f.window.frameGeometry().height();
}

// The default columns' captions (with the sort mark), a date and time, and the About box's
// lines fit their widths in the fonts the window chose.
TEST(MainWindow, TextsFitTheirWidths) {
    Fixture f;
    TreeView& view = f.window.View();
    const QFontMetrics header(view.header()->font());
    for (std::uint32_t c = 0; c < f.vt().Columns().Count(); ++c) {
        const VirtualTreeColumn& column = f.vt().Columns().Items(c);
        const int needed = header.horizontalAdvance(QString::fromStdString(column.Text())) +
                           TreeView::SortMarkSpace + 2 * TreeView::HeaderTextMargin;
        EXPECT_LE(needed, view.header()->sectionSize(int(c))) << column.Text();
    }
    // The time columns ("Create Time", "Access Time", "Write Time") are the last three.
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    for (int c = 4; c < 7; ++c)
        EXPECT_LE(QFontMetrics(view.font()).horizontalAdvance("28 Dec 2026 23:59:59") + 2 * margin +
                      1,
                  view.header()->sectionSize(c));

    TFMAbout about(&f.window);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    for (QLabel* label : about.findChildren<QLabel*>())
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
}

// The About box's links read on the window's colour in a dark theme too.
TEST(MainWindow, AboutLinksReadInADarkTheme) {
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(53, 53, 53), QColor(36, 36, 36));
    dark.setColor(QPalette::WindowText, QColor(238, 238, 236));
    QApplication::setPalette(dark);
    {
        TFMAbout about(nullptr);
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        const QColor window = about.palette().color(QPalette::Window);
        for (QLabel* link : {about.WebLink(), about.MailLink()}) {
            const QImage shot = link->grab().toImage();
            double best = 1;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    best = std::max(best, ContrastRatio(shot.pixelColor(x, y), window));
            EXPECT_GE(best, 4.5) << link->text().toStdString();
        }
    }
    QApplication::setPalette(before);
}

// After a right click below the rows and Escape, the row that shows highlighted is the row
// Delete removes, and a sort keeps the two together.
TEST(MainWindow, TheHighlightedRowIsTheRowDeleteActsOn) {
    std::string text(DefaultConfigText);
    const std::string first = "Index=\"0\"";
    text.replace(text.find(first), first.size(), "Index=\"99\""); // File Name shown last
    TempTree t;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        t.File(name);
    Fixture f(text);
    f.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
    f.window.DropFolders({t.Root()});
    TreeView& view = f.window.View();
    auto highlighted = [&] {
        std::vector<PVirtualNode> rows;
        for (const QModelIndex& index : view.selectionModel()->selectedRows())
            rows.push_back(TreeModel::NodeOf(index));
        return rows;
    };
    auto expectHighlightIsFocus = [&] {
        const std::vector<PVirtualNode> rows = highlighted();
        if (f.vt().FocusedNode())
            EXPECT_EQ(rows, std::vector<PVirtualNode>{f.vt().FocusedNode()});
        else
            EXPECT_TRUE(rows.empty());
    };

    view.setFocus(Qt::MouseFocusReason);
    const QPoint below(40, view.viewport()->height() - 10);
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, below);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, below, view.viewport()->mapToGlobal(below));
    QApplication::sendEvent(view.viewport(), &menu);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.PopupMenu1));
    QTest::keyClick(f.window.PopupMenu1, Qt::Key_Escape);
    QTRY_VERIFY(!f.window.PopupMenu1->isVisible());
    QApplication::processEvents();
    expectHighlightIsFocus();

    const std::size_t shown = highlighted().size();
    f.shell.answers = {true};
    f.window.btnDeleteClick();
    EXPECT_EQ(f.vt().TotalCount(), 3u - shown);

    view.setCurrentIndex(view.Model().index(0, 2));
    f.clickHeader(2);
    expectHighlightIsFocus();
    f.vt().SetFocusedNode(nullptr);
    expectHighlightIsFocus();
}

// Keyboard focus shows on the grid (on its focused row, or on the grid itself without one) and
// on the Check All box, whose caption is hidden under the header.
TEST(MainWindow, KeyboardFocusIsVisible) {
    TwoFolders t;
    Fixture f;
    f.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
    f.window.DropFolders({t.Path("one"), t.Path("two")});
    TreeView& view = f.window.View();
    auto shot = [](QWidget* widget) { return widget->grab().toImage(); };

    f.window.btnOpen->setFocus(Qt::TabFocusReason);
    const QImage gridBlurred = shot(view.viewport());
    view.setFocus(Qt::TabFocusReason);
    EXPECT_NE(shot(view.viewport()), gridBlurred);
    f.vt().SetFocusedNode(f.row(1));
    const QImage rowFocused = shot(view.viewport());
    f.window.btnOpen->setFocus(Qt::TabFocusReason);
    EXPECT_NE(shot(view.viewport()), rowFocused);

    const QImage boxBlurred = shot(f.window.cbCheckAll);
    f.window.cbCheckAll->setFocus(Qt::TabFocusReason);
    EXPECT_NE(shot(f.window.cbCheckAll), boxBlurred);
}

TEST(MainWindow, PopupMenuPicturesAre32PixelsSquare) {
    Fixture f;
    QMenu* menu = f.window.PopupMenu1;
    menu->popup(f.window.geometry().center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    for (QAction* item : menu->actions()) {
        if (item->isSeparator()) continue;
        EXPECT_EQ(item->icon().pixmap(QSize(32, 32)).size(), QSize(32, 32))
            << item->text().toStdString();
        EXPECT_GE(menu->actionGeometry(item).height(), 32) << item->text().toStdString();
    }
    menu->hide();
}

TEST(MainWindow, ABadConfigurationWarnsAndStartsNothing) {
    ConfigFile config("<config><nodes><node Name=\"File Name\" Width=\"wide\"/>");
    FakeShell shell;
    TFMMain window;
    window.show();
    EXPECT_TRUE(window.StartFailed());
    EXPECT_FALSE(window.acceptDrops());
    const auto messages = shell.CallsOf(Kind::ShowMessage);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_NE(messages[0].text.find("CorvaneConfig.xml"), std::string::npos) << messages[0].text;
}

TEST(MainWindow, AProgramFolderThatCannotTakeTheDefaultWarnsOnceAndGoesOn) {
    TempTree t;
    UseConfigFile({});
    UseConfigFolder(t.Path("gone")); // the default cannot be written where nothing exists
    {
        FakeShell shell;
        TFMMain window;
        window.show();
        EXPECT_FALSE(window.StartFailed());
        EXPECT_TRUE(window.acceptDrops());
        EXPECT_EQ(window.VT().Columns().Count(), 7u);
        const auto messages = shell.CallsOf(Kind::ShowMessage);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(messages[0].text, t.Path("gone/CorvaneConfig.xml") +
                                        ": cannot write the default configuration: No such file "
                                        "or directory; using the built-in one");
    }
    UseConfigFolder({});
}

// Without column entries the grid has no columns, but its rows still show, with their boxes
// and empty text, so that no row the user cannot see is deleted by Delete All Checked.
TEST(MainWindow, RowsShowEvenWithoutColumns) {
    TwoFolders t;
    ConfigFile config("<?xml version=\"1.0\"?><config versionNo=\"2\"></config>");
    FakeShell shell;
    RecordingWait wait;
    SetWaitWindow(&wait);
    TFMMain window;
    window.resize(600, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_FALSE(window.StartFailed());
    ASSERT_EQ(window.VT().Columns().Count(), 0u);
    window.DropFolders({t.Path("one"), t.Path("two")});

    TreeView& view = window.View();
    TreeModel& model = view.Model();
    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 1);
    EXPECT_FALSE(view.isColumnHidden(0));
    EXPECT_GT(view.header()->sectionSize(0), 0);
    EXPECT_EQ(model.data(model.index(1, 0), Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), "");
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "");
    const QRect second = view.visualRect(model.index(1, 0));
    EXPECT_TRUE(second.isValid());

    // No column to sort by: a click on the header changes nothing.
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, QPoint(30, 8));
    EXPECT_EQ(window.VT().SortColumn(), -1);

    // The user can pick a row and delete it.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(window.VT().FocusedNode(), window.VT().RootNode()->ChildAt(1));
    shell.answers = {true};
    window.btnDeleteClick();
    EXPECT_EQ(window.VT().TotalCount(), 1u);
    EXPECT_FALSE(std::filesystem::exists(t.Path("two/a.txt")));
    SetWaitWindow(nullptr);
}

TEST(MainWindow, AcceptsDropsOnlyOnceShown) {
    ConfigFile config;
    FakeShell shell;
    TFMMain window;
    EXPECT_FALSE(window.acceptDrops());
    window.show();
    EXPECT_TRUE(window.acceptDrops());
}

TEST(MainWindow, OpenFolderScansShowsTheWaitWindowAndSorts) {
    TwoFolders t;
    Fixture f;
    f.shell.folders = {t.Root()};
    QTest::mouseClick(f.window.btnOpen, Qt::LeftButton);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"a.txt", "b.txt", "file.txt"}));
    EXPECT_EQ(f.wait.calls,
              (std::vector<std::string>{"show+cancel", "text Loading info..",
                                        "text 3 folders, 6 entries seen, 3 empty files", "hide"}));
    EXPECT_EQ(f.checks(), (std::vector<int>{2, 2, 2}));
}

TEST(MainWindow, OpenFolderCancelledChangesNoRowsButReSorts) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Path("one"), t.Path("two")});
    ASSERT_EQ(f.names(), (std::vector<std::string>{"b.txt", "a.txt"}));
    f.wait.calls.clear();
    QTest::mouseClick(f.window.btnOpen, Qt::LeftButton); // the picker answers with nothing
    EXPECT_EQ(f.shell.CallsOf(Kind::SelectFolder).size(), 1u);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_TRUE(f.wait.calls.empty());
}

TEST(MainWindow, DroppedFoldersAreScannedInOrderAndNotSorted) {
    TwoFolders t;
    Fixture f;
    QSignalSpy resets(&f.window.View().Model(), &QAbstractItemModel::modelReset);
    f.drop({t.Path("one"), t.Path("file.txt"), t.Path("missing"), t.Path("two")});
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt", "a.txt"}));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(f.wait.calls,
              (std::vector<std::string>{"show+cancel", "text 1 folder, 1 entry seen, 1 empty file",
                                        "hide"}));

    // The same folder again lists its files again; a file alone adds nothing.
    f.drop({t.Path("one")});
    f.drop({t.Path("file.txt")});
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt", "a.txt", "b.txt"}));
}

// A drop only reads the paths it names: the window takes it as a copy, never as a move, so
// that no drag source deletes its originals after the drop; one that offers no copy is refused.
TEST(MainWindow, DropsAreTakenAsCopiesNeverAsMoves) {
    TwoFolders t;
    Fixture f;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(t.Path("one")))});
    const QPoint at = f.window.rect().center();
    const Qt::DropActions copyOrMove = Qt::CopyAction | Qt::MoveAction;

    // Shift asks the source for a move.
    QDragEnterEvent enter(at, copyOrMove, &data, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(enter.proposedAction(), Qt::MoveAction);
    QApplication::sendEvent(&f.window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(at, copyOrMove, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&f.window, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt"}));

    QDragEnterEvent moveOnly(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f.window, &moveOnly);
    EXPECT_FALSE(moveOnly.isAccepted());
    QDropEvent moveDrop(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f.window, &moveDrop);
    EXPECT_FALSE(moveDrop.isAccepted());
    EXPECT_EQ(f.vt().TotalCount(), 1u);
}

TEST(MainWindow, HeaderClicksSortAscendingThenTurnTheDirection) {
    TempTree t;
    t.File("b.txt");
    t.File("a.txt");
    t.File("c.txt");
    Fixture f;
    f.window.DropFolders({t.Root()});
    const auto before = f.names();
    f.clickHeader(0);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(f.window.View().header()->sortIndicatorSection(), 0);
    EXPECT_EQ(f.window.View().header()->sortIndicatorOrder(), Qt::AscendingOrder);
    f.clickHeader(1); // another column: descending (by full path)
    EXPECT_EQ(f.names(), (std::vector<std::string>{"c.txt", "b.txt", "a.txt"}));
    EXPECT_EQ(f.window.View().header()->sortIndicatorOrder(), Qt::DescendingOrder);
    f.clickHeader(0, Qt::RightButton); // nothing
    EXPECT_EQ(f.names(), (std::vector<std::string>{"c.txt", "b.txt", "a.txt"}));
    f.clickHeader(1);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

TEST(MainWindow, CheckAllSetsEveryRowAndNewRowsStartChecked) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Path("one"), t.Path("two")});
    QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(f.window.cbCheckAll->isChecked());
    EXPECT_EQ(f.checks(), (std::vector<int>{0, 0}));
    EXPECT_EQ(f.window.View().Model().index(1, 0).data(Qt::CheckStateRole), Qt::Unchecked);

    f.window.DropFolders({t.Path("one")});
    EXPECT_EQ(f.checks(), (std::vector<int>{0, 0, 2}));
    EXPECT_FALSE(f.window.cbCheckAll->isChecked()); // no tie to the rows

    QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(f.checks(), (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(f.window.View().Model().index(1, 0).data(Qt::CheckStateRole), Qt::Checked);
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
    EXPECT_TRUE(f.shell.Calls().empty());
    EXPECT_TRUE(std::filesystem::exists(t.Path("one/b.txt")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("file.txt")));
}

TEST(MainWindow, DeleteAsksFirstAndRemovesTheFocusedRowAndFile) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Path("one"), t.Path("two")});

    // No focused row: the question still comes; Yes changes nothing.
    f.shell.answers = {true};
    QTest::mouseClick(f.window.btnDelete, Qt::LeftButton);
    auto questions = f.shell.CallsOf(Kind::AskYesNo);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, "Are you sure to delete the file from disk?");
    EXPECT_EQ(questions[0].caption, "Warning");
    EXPECT_EQ(f.vt().TotalCount(), 2u);

    // No: nothing.
    f.window.View().setCurrentIndex(f.window.View().Model().index(1, 2));
    ASSERT_EQ(f.vt().FocusedNode(), f.row(1));
    f.shell.answers = {false};
    QTest::mouseClick(f.window.btnDelete, Qt::LeftButton);
    EXPECT_EQ(f.vt().TotalCount(), 2u);
    EXPECT_TRUE(std::filesystem::exists(t.Path("two/a.txt")));

    f.shell.answers = {true};
    QTest::mouseClick(f.window.btnDelete, Qt::LeftButton);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt"}));
    EXPECT_FALSE(std::filesystem::exists(t.Path("two/a.txt")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("one/b.txt")));
    // The row left takes the focus.
    EXPECT_EQ(f.vt().FocusedNode(), f.row(0));
    EXPECT_EQ(f.window.View().currentIndex().row(), 0);
}

TEST(MainWindow, DeletesKeepTheRowsOfFilesStillOnDiskAndSaySo) {
    TempTree t;
    for (const char* name : {"gone.txt", "grew.txt", "replaced.txt", "single.txt"})
        t.File(name);
    Fixture f;
    f.window.DropFolders({t.Root()});
    f.clickHeader(0);
    ASSERT_EQ(f.names(),
              (std::vector<std::string>{"gone.txt", "grew.txt", "replaced.txt", "single.txt"}));
    t.File("grew.txt", "now with data");
    t.File("replaced.new"); // another empty file, with an inode of its own
    ASSERT_EQ(::rename(t.Path("replaced.new").c_str(), t.Path("replaced.txt").c_str()), 0);
    f.vt().SetCheckState(f.row(3), csUncheckedNormal);

    f.shell.answers = {true};
    QTest::mouseClick(f.window.btnDelAll, Qt::LeftButton);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"grew.txt", "replaced.txt", "single.txt"}));
    EXPECT_FALSE(std::filesystem::exists(t.Path("gone.txt")));
    EXPECT_EQ(f.window.SBPanels[0]->text(),
              "Deleted 1 file; 2 files left on disk (changed since the scan or not deletable)");

    f.vt().SetFocusedNode(f.row(2));
    f.shell.answers = {true};
    QTest::mouseClick(f.window.btnDelete, Qt::LeftButton);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"grew.txt", "replaced.txt"}));
    EXPECT_EQ(f.window.SBPanels[0]->text(), "Deleted 1 file");
    EXPECT_TRUE(std::filesystem::exists(t.Path("replaced.txt")));

    // Told until the next command.
    QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(f.window.SBPanels[0]->text(), "");
}

TEST(MainWindow, KeptFilesStartUncheckedAndGreyAndOnlyTheirOwnBoxChecksThem) {
    TempTree t;
    t.File("pkg/__init__.py");
    t.File("pkg/stray.txt");
    Fixture f;
    f.window.DropFolders({t.Root()});
    const int kept = f.names()[0] == "__init__.py" ? 0 : 1;
    ASSERT_EQ(f.names()[std::size_t(kept)], "__init__.py");
    EXPECT_EQ(f.row(kept)->CheckState, csUncheckedNormal);
    EXPECT_EQ(f.row(1 - kept)->CheckState, csCheckedNormal);
    const QAbstractItemModel& model = f.window.View().Model();
    EXPECT_EQ(model.index(kept, 2).data(Qt::ToolTipRole).toString(),
              "Kept: marks a Python package");
    EXPECT_NE(model.index(kept, 2).data(Qt::ForegroundRole),
              model.index(1 - kept, 2).data(Qt::ForegroundRole)); // dimmed
    EXPECT_EQ(model.index(1 - kept, 2).data(Qt::ToolTipRole).toString(),
              "Double click to open it in explorer.");

    f.shell.answers = {true};
    f.window.btnDelAllClick();
    EXPECT_EQ(f.names(), (std::vector<std::string>{"__init__.py"}));
    // Check All never checks a kept file, however often it is clicked.
    QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(f.checks(), (std::vector<int>{csUncheckedNormal}));
    f.shell.answers = {false};
    f.window.btnDelAllClick();
    EXPECT_EQ(f.shell.CallsOf(Kind::AskYesNo).back().text,
              "Are you sure to delete the files from disk?");
    // Its own box does; the question then says so.
    f.vt().SetCheckState(f.row(0), csCheckedNormal);
    f.shell.answers = {true};
    f.window.btnDelAllClick();
    EXPECT_EQ(f.shell.CallsOf(Kind::AskYesNo).back().text,
              "Are you sure to delete the files from disk?\n\n1 of them is kept: marks a "
              "Python package.");
    EXPECT_FALSE(std::filesystem::exists(t.Path("pkg/__init__.py")));
}

TEST(MainWindow, DeleteAllCheckedRemovesCheckedRowsAndKeepsTheOthersInPlace) {
    TempTree t;
    for (const char* name : {"1", "2", "3", "4", "5", "6"})
        t.File(std::string("f") + name);
    Fixture f;
    f.window.DropFolders({t.Root()});
    f.clickHeader(0); // f1 .. f6
    ASSERT_EQ(f.names(), (std::vector<std::string>{"f1", "f2", "f3", "f4", "f5", "f6"}));
    // Unchecked f1, f5 and f6 around three adjacent checked rows.
    for (int i : {0, 4, 5})
        f.vt().SetCheckState(f.row(i), csUncheckedNormal);

    f.shell.answers = {false};
    f.window.btnDelAllClick();
    EXPECT_EQ(f.vt().TotalCount(), 6u);

    f.shell.answers = {true};
    QSignalSpy resets(&f.window.View().Model(), &QAbstractItemModel::modelReset);
    QTest::mouseClick(f.window.btnDelAll, Qt::LeftButton);
    EXPECT_EQ(f.shell.CallsOf(Kind::AskYesNo).back().text,
              "Are you sure to delete the files from disk?");
    EXPECT_EQ(f.names(), (std::vector<std::string>{"f1", "f5", "f6"}));
    EXPECT_EQ(resets.count(), 1);
    for (const char* gone : {"f2", "f3", "f4"})
        EXPECT_FALSE(std::filesystem::exists(t.Path(gone)));
    for (const char* kept : {"f1", "f5", "f6"})
        EXPECT_TRUE(std::filesystem::exists(t.Path(kept)));
}

TEST(MainWindow, DoubleClickOnARowShowsItsFileInItsFolder) {
    TempTree t;
    t.File("sub/x.txt");
    Fixture f;
    f.window.DropFolders({t.Root()});
    TreeView& view = f.window.View();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {},
                       view.visualRect(view.Model().index(0, 1)).center());
    const auto shown = f.shell.CallsOf(Kind::ShowFile);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, t.Path("sub/x.txt"));
    EXPECT_EQ(shown[0].caption, t.Path("sub"));
    EXPECT_EQ(view.Model().index(0, 3).data(Qt::ToolTipRole).toString(),
              "Double click to open it in explorer.");
}

TEST(MainWindow, HelpOpensTheWebSiteAndAboutShowsTheTitle) {
    Fixture f;
    QTest::mouseClick(f.window.SpeedButton1, Qt::LeftButton);
    f.window.Help1->trigger();
    const auto urls = f.shell.CallsOf(Kind::OpenUrl);
    ASSERT_EQ(urls.size(), 2u);
    EXPECT_EQ(urls[0].text.rfind("http", 0), 0u);

    QString title;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<TFMAbout*>(QApplication::activeModalWidget());
        if (!about) return;
        title = about->Title()->text();
        QTest::mouseClick(about->MailLink(), Qt::LeftButton);
        QTest::mouseClick(about->WebLink(), Qt::LeftButton);
        about->close();
    });
    f.window.m1->trigger();
    EXPECT_EQ(title, "Tarvel Nullsweep " NULLSWEEP_VERSION);
    const auto opened = f.shell.CallsOf(Kind::OpenUrl);
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[2].text.rfind("mailto:", 0), 0u);
    EXPECT_EQ(opened[3].text, urls[0].text);
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

namespace {

std::string FileStart(const std::string& path, std::size_t size) {
    std::ifstream in(path, std::ios::binary);
    std::string text(size, '\0');
    in.read(text.data(), std::streamsize(size));
    text.resize(std::size_t(in.gcount()));
    return text;
}

} // namespace

TEST(MainWindow, ExportMenuOnAnEmptyGridAsksAndShowsNothing) {
    Fixture f;
    for (QAction* item : {f.window.ExportToHTML1, f.window.ExportToText1, f.window.ExportToExcel1,
                          f.window.ExportToSCV1, f.window.ExportToXML1})
        item->trigger();
    EXPECT_TRUE(f.shell.Calls().empty());
    EXPECT_TRUE(f.wait.calls.empty());
}

TEST(MainWindow, EachExportMenuItemRunsItsOwnWriter) {
    TwoFolders t;
    TempTree out;
    Fixture f;
    f.window.DropFolders({t.Root()});
    const std::pair<QAction*, std::string> items[] = {
        {f.window.ExportToHTML1, "<HTML><HEAD>"},
        {f.window.ExportToText1, "         File Name   "},
        {f.window.ExportToExcel1, "PK"},
        {f.window.ExportToSCV1, "         File Name,"},
        {f.window.ExportToXML1, "<?xml"}};
    int n = 0;
    for (const auto& [item, start] : items) {
        const std::string path = out.Path("list" + std::to_string(++n));
        f.shell.saveNames = {path};
        item->trigger();
        EXPECT_EQ(FileStart(path, start.size()), start) << item->text().toStdString();
        const auto messages = f.shell.CallsOf(Kind::ShowMessage);
        ASSERT_EQ(messages.size(), std::size_t(n));
        EXPECT_EQ(messages.back().text, "Export Finished");
        EXPECT_EQ(messages.back().caption, "Done");
        EXPECT_EQ(messages.back().icon, MessageIcon::None);
    }
    EXPECT_EQ(f.shell.CallsOf(Kind::SaveFileName)[2].request.filter, "EXCEL File (*.xlsx)");
}

TEST(MainWindow, SpreadsheetExportHoldsEveryRowInGridOrderAndReusesTheDocument) {
    TwoFolders t;
    TempTree out;
    Fixture f;
    f.window.DropFolders({t.Path("one"), t.Path("two")});
    f.vt().SetCheckState(f.row(0), csUncheckedNormal);
    f.shell.saveNames = {out.Path("first.xlsx"), out.Path("second.xlsx")};
    f.wait.calls.clear();
    f.window.ExportToExcel1->trigger();
    // Each pass over the rows counts them.
    EXPECT_EQ(f.wait.calls,
              (std::vector<std::string>{"show+cancel", "text Gathering info..", "hide",
                                        "text 0 of 2 rows", "text 0 of 2 rows", "show+cancel",
                                        "text Export to file..", "text 0 of 2 rows", "hide"}));
    test::WorkbookReader first(out.Path("first.xlsx"));
    EXPECT_EQ(first.Value("A1"), "first");
    EXPECT_EQ(first.Value("B3"), "b.txt"); // unchecked, still exported
    EXPECT_EQ(first.Value("B4"), "a.txt");
    EXPECT_EQ(first.MaxRow(), 4);

    // The window's one export document starts afresh for every export.
    f.vt().DeleteNode(f.row(0));
    f.window.ExportToExcel1->trigger();
    test::WorkbookReader second(out.Path("second.xlsx"));
    EXPECT_EQ(second.Value("B3"), "a.txt");
    EXPECT_EQ(second.MaxRow(), 3);
    EXPECT_EQ(f.shell.CallsOf(Kind::ShowMessage).size(), 2u);
}

TEST(MainWindow, ACancelledExportShowsNoMessage) {
    TwoFolders t;
    Fixture f;
    f.window.DropFolders({t.Root()});
    for (QAction* item : {f.window.ExportToHTML1, f.window.ExportToText1, f.window.ExportToExcel1,
                          f.window.ExportToSCV1, f.window.ExportToXML1})
        item->trigger();
    EXPECT_EQ(f.shell.CallsOf(Kind::SaveFileName).size(), 5u);
    EXPECT_TRUE(f.shell.CallsOf(Kind::ShowMessage).empty());
}

// The old window held input during work and handled it afterwards: a click meant for the
// window as it was then acted on the window as it is now.
TEST(MainWindow, InputMadeDuringAScanIsDroppedNotReplayed) {
    TwoFolders t;
    Fixture f;
    f.shell.answers = {true};
    bool busyThen = false;
    f.wait.onText = [&](const std::string&) {
        if (busyThen) return;
        busyThen = f.window.Busy();
        QTest::mouseClick(f.window.btnDelAll, Qt::LeftButton);
        QTest::keyClick(&f.window, Qt::Key_A, Qt::AltModifier); // Delete &All Checked
        QTest::mouseClick(f.window.cbCheckAll, Qt::LeftButton, {}, QPoint(8, 8));
    };
    f.window.DropFolders({t.Root()});
    QApplication::processEvents();
    EXPECT_TRUE(busyThen);
    EXPECT_TRUE(f.shell.CallsOf(Kind::AskYesNo).empty());
    EXPECT_TRUE(f.window.cbCheckAll->isChecked());
    EXPECT_EQ(f.names().size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(t.Path("file.txt")));
    // Once the work is over the window takes input again.
    QTest::mouseClick(f.window.btnDelAll, Qt::LeftButton);
    EXPECT_EQ(f.shell.CallsOf(Kind::AskYesNo).size(), 1u);
}

// Each kind of work stops on a cancel from the wait window's Cancel, Escape or the close box.
TEST(MainWindow, CancelStopsScansDeletesAndExports) {
    TwoFolders t;
    TempTree out;
    out.File("list.txt", "old contents");
    Fixture f;
    TWaitForm real(&f.window);
    f.wait.inner = &real;

    // A scan stopped in its first folder keeps that folder's rows and skips the second.
    f.wait.onText = [&](const std::string&) { QTest::mouseClick(real.Cancel(), Qt::LeftButton); };
    f.window.DropFolders({t.Path("one"), t.Path("two")});
    EXPECT_EQ(f.names(), (std::vector<std::string>{"b.txt"}));
    EXPECT_EQ(f.window.SBPanels[0]->text(), "Scan cancelled; 1 file listed");
    EXPECT_EQ(f.wait.calls.front(), "show+cancel");
    EXPECT_FALSE(real.isVisible());

    // An export stopped by Escape leaves the old file and no temporary file.
    f.wait.onText = [&](const std::string& text) {
        if (text.find(" of ") != std::string::npos) QTest::keyClick(&f.window, Qt::Key_Escape);
    };
    // The spreadsheet is written through a named temporary file, the text straight.
    for (QAction* item : {f.window.ExportToText1, f.window.ExportToExcel1}) {
        f.shell.saveNames = {out.Path("list.txt")};
        f.shell.answers = {true}; // replace it
        item->trigger();
        EXPECT_EQ(nullsweep::test::ReadFile(out.Path("list.txt")), "old contents");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Root()),
                                std::filesystem::directory_iterator()),
                  1);
        EXPECT_TRUE(f.shell.CallsOf(Kind::ShowMessage).empty());
        EXPECT_EQ(f.window.SBPanels[0]->text(), "Export cancelled; no file was changed");
    }

    // A delete stopped by the close box after its first file says what it did, then the
    // window closes.
    f.window.DropFolders({t.Path("two")});
    ASSERT_EQ(f.names().size(), 2u);
    f.wait.onText = [&](const std::string& text) {
        if (text.rfind("0 of", 0) == 0) f.window.close();
    };
    f.shell.answers = {true};
    QTest::mouseClick(f.window.btnDelAll, Qt::LeftButton);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(f.window.SBPanels[0]->text(), "Deleted 1 file; cancelled, 1 file not tried");
    EXPECT_FALSE(std::filesystem::exists(t.Path("one/b.txt")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("two/a.txt")));
    EXPECT_TRUE(f.window.isVisible());
    QApplication::processEvents();
    EXPECT_FALSE(f.window.isVisible());
}

TEST(MainWindow, TheWaitWindowCountsWhatTheScanHasSeen) {
    TempTree t;
    for (int i = 0; i < 5000; ++i)
        t.File("many/" + std::to_string(i) + (i % 2 ? ".txt" : ".dat"), i % 5 ? "" : "x");
    Fixture f;
    DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    std::vector<std::string> texts;
    f.wait.onText = [&](const std::string& text) {
        texts.push_back(text);
        // Long enough for the next report to be due.
        if (texts.size() == 1) QTest::qWait(300);
    };
    f.window.DropFolders({t.Root()});
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(texts.front(), texts.back());
    EXPECT_EQ(texts.back(), "2 folders, 5,001 entries seen, 4,000 empty files");
}

TEST(MainWindow, TheStatusBarSumsUpTheRowsInTheLocalesNumbers) {
    DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    TempTree t;
    t.File("pkg/__init__.py");
    for (int i = 0; i < 1200; ++i)
        t.File("many/" + std::to_string(i));
    Fixture f;
    f.window.DropFolders({t.Root()});
    QApplication::processEvents();
    EXPECT_EQ(f.window.SBSummary->text(), "1.201 empty files, 1.200 checked, 1 kept");
    f.vt().SetFocusedNode(f.row(0));
    QTest::keyClick(&f.window.View(), Qt::Key_Space); // checks or unchecks the focused row
    QApplication::processEvents();
    EXPECT_NE(f.window.SBSummary->text(), "1.201 empty files, 1.200 checked, 1 kept");
    QTest::mouseClick(f.window.BitBtn1, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(f.window.SBSummary->text(), "0 empty files, 0 checked, 0 kept");
}

TEST(MainWindow, TheGridWorksFromTheKeyboard) {
    TempTree t;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        t.File(name);
    Fixture f;
    f.window.DropFolders({t.Root()});
    TreeView& view = f.window.View();
    view.setFocus();

    // The pop-up's Sort By lists the visible columns and sorts as a header click does.
    Q_EMIT f.window.PopupMenu1->aboutToShow();
    QStringList sortable;
    for (QAction* item : f.window.SortBy1->actions())
        sortable << item->text();
    EXPECT_EQ(sortable, (QStringList{"File Name", "Full Path", "File Size", "File Ext",
                                     "Create Time", "Access Time", "Write Time"}));
    f.window.SortBy1->actions()[0]->trigger();
    EXPECT_EQ(f.names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));

    // Enter shows the focused file as a double click does.
    f.vt().SetFocusedNode(f.row(1));
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_EQ(f.shell.CallsOf(Kind::ShowFile).size(), 1u);
    EXPECT_EQ(f.shell.CallsOf(Kind::ShowFile)[0].text, t.Path("b.txt"));

    // Delete asks, deletes the focused file, and the next row takes the focus.
    f.shell.answers = {true};
    QTest::keyClick(&view, Qt::Key_Delete);
    ASSERT_EQ(f.shell.CallsOf(Kind::AskYesNo).size(), 1u);
    EXPECT_EQ(f.shell.CallsOf(Kind::AskYesNo)[0].text,
              "Are you sure to delete the file from disk?");
    EXPECT_FALSE(std::filesystem::exists(t.Path("b.txt")));
    ASSERT_NE(f.vt().FocusedNode(), nullptr);
    EXPECT_EQ(RowOf(f.vt().FocusedNode()).Name(), "c.txt");

    // Shift+F10 opens the pop-up menu.
    QTest::keyClick(&view, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(f.window.PopupMenu1->isVisible());
    f.window.PopupMenu1->close();

    // The About box's links are reached with Tab and opened with Enter.
    TFMAbout about(&f.window);
    about.show();
    QApplication::setActiveWindow(&about);
    about.WebLink()->setFocus();
    QTest::keyClick(about.WebLink(), Qt::Key_Tab);
    EXPECT_EQ(about.focusWidget(), about.MailLink());
    QTest::keyClick(about.MailLink(), Qt::Key_Return);
    ASSERT_EQ(f.shell.CallsOf(Kind::OpenUrl).size(), 1u);
    EXPECT_EQ(f.shell.CallsOf(Kind::OpenUrl)[0].text.rfind("mailto:", 0), 0u);
}

TEST(MainWindow, MoveCheckedToTrashAsksAndReports) {
    TempTree t;
    t.File("data/a.txt");
    t.File("data/b.txt");
    TempTree home;
    const QByteArray before = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home.Root()));
    Fixture f;
    f.window.DropFolders({t.Path("data")});
    f.vt().SetCheckState(f.row(1), csUncheckedNormal);
    const std::string kept(RowOf(f.row(1)).Name());
    f.shell.answers = {true};
    f.window.MoveToTrash1->trigger();
    ASSERT_EQ(f.shell.CallsOf(Kind::AskYesNo).size(), 1u);
    EXPECT_EQ(f.window.SBPanels[0]->text(), "Moved 1 file to the trash");
    EXPECT_EQ(f.names(), (std::vector<std::string>{kept}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.Path("Trash/files")),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_TRUE(std::filesystem::exists(t.Path("data/" + kept)));
    qputenv("XDG_DATA_HOME", before);
}

TEST(MainWindow, ScreenReadersGetNamesDescriptionsAndTheWaitWindow) {
    TempTree t;
    t.File("pkg/__init__.py");
    t.File("pkg/stray.txt");
    Fixture f;
    f.window.DropFolders({t.Root()});
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(&f.window.View());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->text(QAccessible::Name), "Empty files");
    const QAbstractItemModel& model = f.window.View().Model();
    const int kept = f.names()[0] == "__init__.py" ? 0 : 1;
    EXPECT_EQ(model.index(kept, 0).data(Qt::AccessibleDescriptionRole).toString(),
              "Kept: marks a Python package");
    EXPECT_FALSE(model.index(1 - kept, 0).data(Qt::AccessibleDescriptionRole).isValid());
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::AccessibleTextRole).toString(), "File Name");
    TWaitForm wait(&f.window);
    wait.SetWaitText("3 of 9");
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&wait);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(QAccessible::Name), "Please wait");
    EXPECT_EQ(shown->text(QAccessible::Description), wait.Notice()->text());
}

TEST(MainWindow, FullPathStretchesAndCheckAllFollowsItsColumn) {
    TempTree t;
    t.File(std::string(120, 'd') + "/name-at-the-end.txt");
    Fixture f;
    f.window.DropFolders({t.Root()});
    QHeaderView* header = f.window.View().header();
    f.window.resize(900, 500);
    QApplication::processEvents();
    const int path = header->sectionSize(1), size = header->sectionSize(2);
    f.window.resize(1100, 500);
    QApplication::processEvents();
    EXPECT_EQ(header->sectionSize(1), path + 200);
    EXPECT_EQ(header->sectionSize(2), size);

    // A cut path keeps its file name in sight and shows whole in its tooltip.
    TreeView& view = f.window.View();
    EXPECT_EQ(view.textElideMode(), Qt::ElideMiddle);
    const QModelIndex cell = view.Model().index(0, 1);
    const QPoint at = view.visualRect(cell).center();
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), cell.data().toString());
    QToolTip::hideText();

    // Check All stays over the check-box column when it moves, and leaves with it.
    header->moveSection(header->visualIndex(0), 2);
    QApplication::processEvents();
    EXPECT_EQ(f.window.cbCheckAll->x(), 4 + header->sectionViewportPosition(0));
    EXPECT_TRUE(f.window.cbCheckAll->isVisible());

    // A narrow column keeps room for its caption once sorted.
    header->resizeSection(2, 20);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 10, 8));
    ASSERT_EQ(f.vt().SortColumn(), 2);
    EXPECT_GE(header->sectionSize(2),
              header->fontMetrics().horizontalAdvance("File Size") + TreeView::SortMarkSpace);
}

// The old window deleted on the user-interface thread: nothing else ran until the last file.
TEST(MainWindow, DeletesRunWhileTheWindowKeepsHandlingItsEvents) {
    TempTree t;
    for (int i = 0; i < 2000; ++i)
        t.File("many/" + std::to_string(i));
    Fixture f;
    DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    f.window.DropFolders({t.Root()});
    int ticksWhileBusy = 0;
    QTimer ticks;
    ticks.setInterval(0);
    QObject::connect(&ticks, &QTimer::timeout, [&] { ticksWhileBusy += f.window.Busy(); });
    ticks.start();
    f.shell.answers = {true};
    QTest::mouseClick(f.window.btnDelAll, Qt::LeftButton);
    ticks.stop();
    EXPECT_EQ(f.vt().TotalCount(), 0u);
    EXPECT_EQ(f.window.SBPanels[0]->text(), "Deleted 2,000 files");
    EXPECT_GT(ticksWhileBusy, 0);
}

namespace {

// Root reads every folder; for one test the process gives up that power (threads started
// meanwhile inherit it) and takes it back at the end. False where it cannot.
struct WithoutReadOverride {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    bool changed = false;
    WithoutReadOverride() {
        if (::geteuid() != 0) return;
        if (::syscall(SYS_capget, &header, saved) != 0) return;
        __user_cap_data_struct less[2] = {saved[0], saved[1]};
        less[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed = ::syscall(SYS_capset, &header, less) == 0;
    }
    ~WithoutReadOverride() {
        if (changed) ::syscall(SYS_capset, &header, saved);
    }
    bool Works() const { return ::geteuid() != 0 || changed; }
};

} // namespace

TEST(MainWindow, WhatCouldNotBeReadIsCountedAndListed) {
    TempTree t;
    t.File("open/e.txt");
    t.File("shut/inside.txt");
    t.Chmod("shut", 0);
    Fixture f;
    {
        WithoutReadOverride limited;
        if (!limited.Works()) GTEST_SKIP() << "cannot give up reading every folder";
        f.window.DropFolders({t.Root()});
    }
    t.Chmod("shut", 0755);
    EXPECT_EQ(f.names(), (std::vector<std::string>{"e.txt"}));
    ASSERT_TRUE(f.window.SBUnreadable->isVisible());
    EXPECT_EQ(f.window.SBUnreadable->text(), "1 folder or file could not be read");
    QTest::mouseClick(f.window.SBUnreadable, Qt::LeftButton);
    const auto messages = f.shell.CallsOf(Kind::ShowMessage);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(t.Path("shut") + ": Permission denied"), std::string::npos)
        << messages[0].text;
    // Clear All forgets them.
    QTest::mouseClick(f.window.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(f.window.SBUnreadable->isVisible());
}

TEST(MainWindow, BigSortsShowTheBusyCursor) {
    Fixture f;
    std::vector<TResultRow> rows(TFMMain::BusyCursorRows + 1);
    AddScannedRows(f.vt(), std::move(rows));
    bool busyWhileSorting = false;
    QObject::connect(&f.window.View().Model(), &QAbstractItemModel::layoutChanged, [&] {
        busyWhileSorting = QApplication::overrideCursor() &&
                           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    f.clickHeader(1);
    EXPECT_TRUE(busyWhileSorting);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A delete from the window is journalled; Undo Last Delete makes the files again as they were
// and lists them once more, once.
TEST(MainWindow, UndoLastDeleteGivesBackTheFilesOfTheLastDelete) {
    TempTree t, state;
    t.File("data/a.txt");
    t.File("data/b.txt");
    t.Chmod("data/a.txt", 0640);
    const QByteArray before = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state.Root()));
    Fixture f;
    EXPECT_FALSE(f.window.UndoDelete1->isEnabled());
    f.window.DropFolders({t.Path("data")});
    f.shell.answers = {true};
    QTest::mouseClick(f.window.btnDelAll, Qt::LeftButton);
    ASSERT_TRUE(f.names().empty());
    EXPECT_FALSE(std::filesystem::exists(t.Path("data/a.txt")));
    ASSERT_TRUE(f.window.UndoDelete1->isEnabled());

    f.shell.answers = {true};
    f.window.UndoDelete1->trigger();
    EXPECT_EQ(f.window.SBPanels[0]->text(), "Restored 2 files; 0 already there; 0 failed");
    EXPECT_EQ(f.names().size(), 2u);
    struct stat st {};
    ASSERT_EQ(::stat(t.Path("data/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_FALSE(f.window.UndoDelete1->isEnabled());
    qputenv("XDG_STATE_HOME", before);
}
