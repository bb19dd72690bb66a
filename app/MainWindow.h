// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Version.h"
#include "config/XmlDocument.h"
#include "grid/CorvaneCtrl.h"
#include "grid/TreeView.h"
#include "rows/VirtualTree.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;

namespace nullsweep {

// The program's one main window: the six command buttons, the result grid with its "Check All"
// box, the menu bar, the grid's pop-up menu and the status bar. Closing it ends the program.
//
// The first showing initialises it (FormShow): caption, grid controller and columns from the
// configuration, then drops. When the configuration cannot be loaded the user is warned with
// the error's text, StartFailed() turns true and the window accepts no drops.
//
// Every command runs inside RunCommand: what escapes it is dropped. Scans, drops, deletes and
// exports run off the user-interface thread with the wait window and its Cancel button; the
// window takes no input meanwhile, so nothing clicked or typed then acts afterwards.
class TFMMain final : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr const char* Caption = "Tarvel Nullsweep " NULLSWEEP_VERSION;

    TFMMain();
    ~TFMMain() override;

    TVirtualStringTree& VT() { return vt_; }
    TreeView& View() const { return *view_; }
    bool StartFailed() const { return startFailed_; }
    // The grid controller, from the first showing on; null before.
    TCorvaneCtrl* Ctrl() const { return ctrl_.get(); }

    // The commands, as the buttons, menus and the check box run them.
    void btnOpenClick();
    void BitBtn1Click();
    void btnDeleteClick();
    void btnDelAllClick();
    void cbCheckAllClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void m1Click();
    void ExportToHTML1Click();
    void ExportToText1Click();
    void ExportToExcel1Click();
    void ExportToSCV1Click();
    void ExportToXML1Click();

    void MoveToTrashClick();
    void UndoDeleteClick();
    void ShowUnreadableClick();

    // What a drop of these paths does: each path that names an existing folder is scanned, in
    // order, inside one update bracket, with the wait window shown; anything else is skipped.
    // The rows are not re-sorted.
    void DropFolders(const std::vector<std::string>& paths);

    // True while a scan, drop, delete or export runs; the window then takes no input but a
    // cancel (Escape, its close box), which the wait window's Cancel also gives.
    bool Busy() const { return busy_; }
    // Rows above this many are sorted under the busy cursor.
    static constexpr std::size_t BusyCursorRows = 200'000;

    // The widgets, by their roles (the tests drive them).
    QPushButton* btnOpen = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnDelAll = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    QCheckBox* cbCheckAll = nullptr;
    QAction* m1 = nullptr;
    QAction* Help1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* ExportToHTML1 = nullptr;
    QAction* ExportToText1 = nullptr;
    QAction* ExportToExcel1 = nullptr;
    QAction* ExportToSCV1 = nullptr;
    QAction* ExportToXML1 = nullptr;
    QAction* MoveToTrash1 = nullptr;
    QAction* UndoDelete1 = nullptr; // enabled once this window has deleted files
    QMenu* SortBy1 = nullptr;       // the visible columns, in display order
    QStatusBar* SB = nullptr;
    // The first tells what the last delete or cancelled work did, until the next command.
    QLabel* SBPanels[2] = {};
    QLabel* SBSummary = nullptr;         // "3,000 empty files, 2,992 checked, 8 kept"
    QPushButton* SBUnreadable = nullptr; // how many could not be read; a click lists them
    // The export document that the XML and spreadsheet exports fill and reuse.
    XMLDocument XMLDoc;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void FormShow();
    void placeOnScreen();
    void VTInitNode(PVirtualNode node);
    void buildButtons(QWidget* strip);
    void buildMenus();
    template <typename Command> void bind(QPushButton* button, Command command);
    template <typename Command> void bind(QAction* action, Command command);
    void runCommand(const std::function<void()>& command);
    class WorkScope;
    void scanFolders(const std::vector<std::string>& folders, const char* waitText);
    void removeRows(const std::vector<PVirtualNode>& nodes, bool toTrash);
    std::vector<PVirtualNode> checkedRows();
    void exportOffThread(void (TCorvaneCtrl::*command)(const TVirtualStringTree&));
    void sortByColumn(int column);
    void fillSortMenu();
    void popupAtFocus();
    void placeCheckAll();
    void updateSummary();

    TVirtualStringTree vt_;
    std::unique_ptr<TCorvaneCtrl> ctrl_;
    TreeView* view_ = nullptr;
    bool shown_ = false;
    bool startFailed_ = false;
    bool busy_ = false;
    std::string lastJournal_; // of this window's last delete run, for its undo
    bool closeAfterWork_ = false;
    std::vector<std::string> unreadable_; // "path: reason", from every scan since Clear All
    QTimer* summaryTimer_ = nullptr;
};

} // namespace nullsweep
