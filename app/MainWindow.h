// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Version.h"
#include "config/XmlDocument.h"
#include "grid/CorvaneCtrl.h"
#include "grid/TreeView.h"
#include "grid/VirtualTree.h"

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;

namespace nullsweep {

// The program's one main window: the six command buttons, the result grid with its "Check All"
// box, the menu bar, the grid's pop-up menu and the status bar. Closing it ends the program.
//
// The first showing initialises it (FormShow): caption, grid controller and columns from the
// configuration, then drops. When the configuration cannot be loaded the user is warned with
// the error's text, StartFailed() turns true and the window accepts no drops.
//
// Every command runs to its end inside RunCommand: what escapes it is dropped.
class TFMMain final : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr const char* Caption = "Tarvel Nullsweep " NULLSWEEP_VERSION;

    TFMMain();
    ~TFMMain() override;

    TVirtualStringTree& VT() { return vt_; }
    TTreeView& View() const { return *view_; }
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

    // What a drop of these paths does: each path that names an existing folder is scanned, in
    // order, inside one update bracket, with the wait window shown; anything else is skipped.
    // The rows are not re-sorted.
    void DropFolders(const std::vector<std::string>& paths);

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
    QStatusBar* SB = nullptr;
    QLabel* SBPanels[2] = {}; // the first tells what the last delete did, until the next command
    // The export document that the XML and spreadsheet exports fill and reuse.
    TXMLDocument XMLDoc;

  protected:
    void showEvent(QShowEvent* event) override;
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
    template <typename Command> void runCommand(Command&& command);
    struct TDeleteCount {
        std::size_t deleted = 0;
        std::size_t left = 0; // still on disk: changed, or the system refused
    };
    void deleteRow(PVirtualNode node, TDeleteCount& count);
    void reportDeletes(const TDeleteCount& count);

    TVirtualStringTree vt_;
    std::unique_ptr<TCorvaneCtrl> ctrl_;
    TTreeView* view_ = nullptr;
    bool shown_ = false;
    bool startFailed_ = false;
};

} // namespace nullsweep
