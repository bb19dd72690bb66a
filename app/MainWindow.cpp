// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AboutForm.h"
#include "app/CommandWidgets.h"
#include "app/OffThreadWork.h"
#include "app/ScanThread.h"

#include "config/ConfigStore.h"
#include "desktop/DesktopShell.h"
#include "desktop/RunCommand.h"
#include "grid/GridRows.h"
#include "scan/DateTimeText.h"
#include "scan/ExactDelete.h"
#include "scan/FileActions.h"
#include "scan/KeptFiles.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include <map>
#include <string>
#include <string_view>

namespace nullsweep {

namespace {

// An update bracket of the grid, closed however the command ends.
struct UpdateBracket {
    explicit UpdateBracket(TVirtualStringTree& tree) : tree(tree) { tree.BeginUpdate(); }
    ~UpdateBracket() { tree.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;
    TVirtualStringTree& tree;
};

// The locale's text of one of the widest dates and times (two-digit day and month, the last
// second of the day), as the time columns show file times.
QString wideTimeText() {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 28;
    local.tm_wday = 1;
    local.tm_yday = 361;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 59;
    return QString::fromStdString(DateTimeText::System().Format(local));
}

bool isExistingFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// A drop only reads the paths it names, so it is always a copy: a move reported back would let
// the drag source delete its originals. A drag that offers no copy is refused.
bool takeAsCopy(QDropEvent* event) {
    if (!event->mimeData()->hasUrls() || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace

template <typename Command> void TFMMain::bind(QPushButton* button, Command command) {
    connect(button, &QPushButton::clicked, this,
            [this, command] { runCommand([&] { (this->*command)(); }); });
}

template <typename Command> void TFMMain::bind(QAction* action, Command command) {
    connect(action, &QAction::triggered, this,
            [this, command] { runCommand([&] { (this->*command)(); }); });
}

template <typename Command> void TFMMain::runCommand(Command&& command) {
    // What the last delete left is told until the next command.
    if (SBPanels[0]) SBPanels[0]->clear();
    RunCommand(std::forward<Command>(command));
}

TFMMain::TFMMain() {
    resize(839, 535);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* strip = new QWidget(central);
    strip->setFixedHeight(66);
    buildButtons(strip);
    layout->addWidget(strip);

    auto* panel = new QFrame(central);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    view_ = new TTreeView(vt_, panel);
    view_->FitFontTo(wideTimeText());
    panelLayout->addWidget(view_);
    layout->addWidget(panel, 1);

    // Over the left end of the grid's header; only the box shows.
    cbCheckAll = new TCheckAllBox(QStringLiteral("Check All"), panel);
    cbCheckAll->setGeometry(4, 3, 17, 17);
    cbCheckAll->setChecked(true);
    cbCheckAll->raise();
    connect(cbCheckAll, &QCheckBox::toggled, this,
            [this] { runCommand([this] { cbCheckAllClick(); }); });

    setCentralWidget(central);

    SB = statusBar();
    for (int i = 0; i < 2; ++i) {
        SBPanels[i] = new QLabel(SB);
        SBPanels[i]->setFixedWidth(i == 0 ? 700 : 50);
        SB->addWidget(SBPanels[i]);
    }

    buildMenus();

    vt_.OnInitNode = [this](PVirtualNode node) { VTInitNode(node); };
    placeOnScreen();
}

// Centred in the screen's available area, and no larger than it (at any scale factor the
// menu and the buttons stay in reach). Called again once the window frame is known.
void TFMMain::placeOnScreen() {
    QScreen* screen = this->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry(), inner = geometry();
    const QSize border(frame.width() - inner.width(), frame.height() - inner.height());
    resize(size().boundedTo(area.size() - border).expandedTo(minimumSizeHint()));
    QRect outer(QPoint(), size() + border);
    outer.moveCenter(area.center());
    outer.moveLeft(std::max(area.left(), std::min(outer.left(), area.right() - outer.width() + 1)));
    outer.moveTop(std::max(area.top(), std::min(outer.top(), area.bottom() - outer.height() + 1)));
    move(outer.topLeft());
}

TFMMain::~TFMMain() {
    // The view observes the tree; it goes first.
    delete view_;
    view_ = nullptr;
}

void TFMMain::buildButtons(QWidget* strip) {
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(4, 6, 4, 6);
    row->setSpacing(2);
    auto make = [&](const char* text, int width, bool bold, QStyle::StandardPixmap picture) {
        auto* button = new TStripButton(style()->standardIcon(picture), QString::fromUtf8(text),
                                        width, 54, strip);
        button->setIconSize(QSize(32, 32));
        QFont font = button->font();
        font.setBold(bold);
        button->setFont(font);
        row->addWidget(button);
        return button;
    };
    btnOpen = make("&Open Folder", 130, true, QStyle::SP_DirOpenIcon);
    BitBtn1 = make("&Clear All", 128, true, QStyle::SP_DialogResetButton);
    btnDelete = make("&Delete", 128, true, QStyle::SP_TrashIcon);
    btnDelAll = make("Delete &All Checked", 168, true, QStyle::SP_DialogDiscardButton);
    SpeedButton1 = make("&Help", 128, false, QStyle::SP_DialogHelpButton);
    SpeedButton2 = make("&Exit", 129, false, QStyle::SP_DialogCloseButton);
    row->addStretch(1);

    setTabOrder(btnOpen, btnDelete);
    setTabOrder(btnDelete, btnDelAll);
    setTabOrder(btnDelAll, BitBtn1);
    setTabOrder(BitBtn1, SpeedButton2);
    setTabOrder(SpeedButton2, SpeedButton1);

    bind(btnOpen, &TFMMain::btnOpenClick);
    bind(BitBtn1, &TFMMain::BitBtn1Click);
    bind(btnDelete, &TFMMain::btnDeleteClick);
    bind(btnDelAll, &TFMMain::btnDelAllClick);
    bind(SpeedButton1, &TFMMain::SpeedButton1Click);
    bind(SpeedButton2, &TFMMain::SpeedButton2Click);
}

void TFMMain::buildMenus() {
    m1 = menuBar()->addAction(QStringLiteral("About"));
    Help1 = menuBar()->addAction(QStringLiteral("Help"));
    bind(m1, &TFMMain::m1Click);
    bind(Help1, &TFMMain::SpeedButton1Click);

    PopupMenu1 = new QMenu(this);
    SetMenuIconSize(PopupMenu1, 32);
    const QIcon picture =
        IconOfSize(QIcon::fromTheme(QStringLiteral("document-save"),
                                    style()->standardIcon(QStyle::SP_DialogSaveButton)),
                   32);
    ExportToHTML1 = PopupMenu1->addAction(picture, QStringLiteral("Export To HTML"));
    ExportToText1 = PopupMenu1->addAction(picture, QStringLiteral("Export To Text"));
    ExportToExcel1 = PopupMenu1->addAction(picture, QStringLiteral("Export To Excel"));
    ExportToSCV1 = PopupMenu1->addAction(picture, QStringLiteral("Export To SCV"));
    ExportToXML1 = PopupMenu1->addAction(picture, QStringLiteral("Export To XML"));
    bind(ExportToHTML1, &TFMMain::ExportToHTML1Click);
    bind(ExportToText1, &TFMMain::ExportToText1Click);
    bind(ExportToExcel1, &TFMMain::ExportToExcel1Click);
    bind(ExportToSCV1, &TFMMain::ExportToSCV1Click);
    bind(ExportToXML1, &TFMMain::ExportToXML1Click);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        PopupMenu1->popup(view_->viewport()->mapToGlobal(position));
    });
}

void TFMMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    placeOnScreen();
    FormShow();
}

void TFMMain::FormShow() {
    setWindowTitle(QString::fromUtf8(Caption));
    ctrl_ = std::make_unique<TCorvaneCtrl>(vt_);
    ctrl_->SetExportDocument(&XMLDoc);
    try {
        ctrl_->SetupColumns(vt_);
    } catch (const std::exception& error) {
        // The window cannot work without its columns: say why, and the program ends.
        startFailed_ = true;
        RunCommand([&] { Shell().ShowMessage(error.what(), "Warning", TMessageIcon::Warning); });
        return;
    }
    // Columns from the built-in default because the file could not be written: said once.
    RunCommand([] {
        const std::string& notice = ConfigStore()->Notice();
        if (!notice.empty()) Shell().ShowMessage(notice, "Warning", TMessageIcon::Warning);
    });
    setAcceptDrops(true);
}

void TFMMain::VTInitNode(PVirtualNode node) {
    node->CheckType = ctCheckBox;
}

void TFMMain::dragEnterEvent(QDragEnterEvent* event) {
    takeAsCopy(event);
}

void TFMMain::dropEvent(QDropEvent* event) {
    if (!takeAsCopy(event)) return;
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    runCommand([&] { DropFolders(paths); });
}

void TFMMain::DropFolders(const std::vector<std::string>& paths) {
    TWaitScope wait;
    std::vector<std::string> folders;
    for (const std::string& path : paths)
        if (isExistingFolder(path)) folders.push_back(path);
    AddScannedRows(vt_, ScanOffThread(folders));
}

void TFMMain::btnOpenClick() {
    const std::string folder = Shell().SelectFolder();
    if (!folder.empty()) {
        repaint();
        TWaitScope wait("Loading info..");
        AddScannedRows(vt_, ScanOffThread({folder}));
    }
    if (ctrl_) ctrl_->SortGrid();
}

void TFMMain::BitBtn1Click() {
    vt_.Clear();
}

namespace {

// Below the delete question, when checked rows include kept files: how many and why, e.g.
// "\n\n3 of them are kept: 2 tracked by git, 1 marks a Python package." (no count for one
// reason alone).
std::string keptNote(const TVirtualStringTree& vt) {
    std::map<std::string_view, std::size_t> reasons;
    std::size_t kept = 0;
    for (const TVirtualNode* node = vt.GetFirst(); node; node = vt.GetNext(node)) {
        if (node->CheckState != csCheckedNormal) continue;
        std::string_view reason = KeptReasonOf(RowOf(node));
        if (reason.empty()) continue;
        if (reason.starts_with("Kept: ")) reason.remove_prefix(6);
        ++reasons[reason];
        ++kept;
    }
    if (kept == 0) return {};
    std::string note = "\n\n" + std::to_string(kept) + (kept == 1 ? " of them is" : " of them are") +
                       " kept: ";
    const char* separator = "";
    for (const auto& [reason, count] : reasons) {
        note.append(separator);
        if (reasons.size() > 1) note.append(std::to_string(count)).append(" ");
        note.append(reason);
        separator = ", ";
    }
    return note + ".";
}

} // namespace

void TFMMain::btnDeleteClick() {
    if (!Shell().AskYesNo("Are you sure to delete the file from disk?", "Warning")) return;
    const PVirtualNode node = vt_.FocusedNode();
    if (!node) return;
    UpdateBracket bracket(vt_);
    TDeleteCount count;
    deleteRow(node, count);
    reportDeletes(count);
}

void TFMMain::btnDelAllClick() {
    std::string question = "Are you sure to delete the files from disk?";
    question += keptNote(vt_);
    if (!Shell().AskYesNo(question, "Warning")) return;
    UpdateBracket bracket(vt_);
    TDeleteCount count;
    // Backwards, taking the previous row before the current one goes.
    for (PVirtualNode node = vt_.GetLast(); node;) {
        const PVirtualNode previous = vt_.GetPrevious(node);
        if (node->CheckState == csCheckedNormal) deleteRow(node, count);
        node = previous;
    }
    reportDeletes(count);
}

// The row goes only with its file: a file that changed since the scan or could not be deleted
// keeps its row, so the window never shows a failed delete as done.
void TFMMain::deleteRow(PVirtualNode node, TDeleteCount& count) {
    switch (DeleteListedFile(RowOf(node))) {
    case TDeleteOutcome::Deleted:
        ++count.deleted;
        vt_.DeleteNode(node);
        break;
    case TDeleteOutcome::Vanished:
        vt_.DeleteNode(node);
        break;
    case TDeleteOutcome::Changed:
    case TDeleteOutcome::Failed:
    case TDeleteOutcome::Kept:
        ++count.left;
        break;
    }
}

void TFMMain::reportDeletes(const TDeleteCount& count) {
    const auto files = [](std::size_t n) {
        return QString::number(n) + (n == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
    };
    QString text = QStringLiteral("Deleted ") + files(count.deleted);
    if (count.left)
        text += QStringLiteral("; %1 left on disk (changed since the scan or not deletable)")
                    .arg(files(count.left));
    SBPanels[0]->setText(text);
}

// A kept row is checked only by its own box, never with all the others.
void TFMMain::cbCheckAllClick() {
    const bool check = cbCheckAll->isChecked();
    UpdateBracket bracket(vt_);
    for (PVirtualNode node = vt_.GetFirst(); node; node = vt_.GetNext(node))
        if (!check || KeptReasonOf(RowOf(node)).empty())
            vt_.SetCheckState(node, check ? csCheckedNormal : csUncheckedNormal);
}

void TFMMain::SpeedButton1Click() {
    OpenWebSite();
}

void TFMMain::SpeedButton2Click() {
    close();
}

void TFMMain::m1Click() {
    TFMAbout about(this);
    about.exec();
}

// The pop-up menu's export commands; the controller exists once the window has been shown.
// The writers run off the user-interface thread: the window keeps painting and the wait
// window's indicator moves, while input waits for the export to end.
void TFMMain::ExportToHTML1Click() {
    if (ctrl_) RunOffUiThread([this] { ctrl_->ExportToHTML(vt_); });
}

void TFMMain::ExportToText1Click() {
    if (ctrl_) RunOffUiThread([this] { ctrl_->ExportToText(vt_); });
}

void TFMMain::ExportToExcel1Click() {
    if (ctrl_) RunOffUiThread([this] { ctrl_->ExportToExcel(vt_); });
}

void TFMMain::ExportToSCV1Click() {
    if (ctrl_) RunOffUiThread([this] { ctrl_->ExportToCSV(vt_); });
}

void TFMMain::ExportToXML1Click() {
    if (ctrl_) RunOffUiThread([this] { ctrl_->ExportToXML(vt_); });
}

} // namespace nullsweep
