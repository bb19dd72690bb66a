// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AboutForm.h"
#include "app/AboutLinks.h"
#include "app/CommandWidgets.h"
#include "app/CountText.h"
#include "app/OffThreadWork.h"
#include "app/ScanThread.h"
#include "app/UndoDelete.h"

#include "config/ConfigStore.h"
#include "desktop/DesktopShell.h"
#include "desktop/RunCommand.h"
#include "desktop/WaitCancel.h"
#include "rows/GridRows.h"
#include "scan/DeleteJournal.h"
#include "scan/DeleteRecorder.h"
#include "scan/ExactDelete.h"
#include "scan/FieldNames.h"
#include "scan/FileActions.h"
#include "scan/KeptFiles.h"
#include "scan/RemoveRows.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"
#include "scan/Trash.h"
#include "text/DateTimeText.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include <map>
#include <string>
#include <string_view>

namespace nullsweep {

namespace {

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

// The wait window as long work of the window sees it: its Cancel button always shows.
class CancellableWait final : public WaitDisplay {
  public:
    explicit CancellableWait(WaitDisplay& wait) : wait_(wait) {}
    void ShowWait(bool visible, bool) override { wait_.ShowWait(visible, visible); }
    void SetWaitText(const std::string& text) override { wait_.SetWaitText(text); }

  private:
    WaitDisplay& wait_;
};

// The busy cursor while it lives, when `on`.
struct BusyCursor {
    explicit BusyCursor(bool on) : on(on) {
        if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() {
        if (on) QApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    bool on;
};

} // namespace

// While long work runs: the window's widgets refuse input (what is clicked or typed meanwhile
// is dropped, never replayed), the cancel request starts cleared, and the wait window shows its
// Cancel button. A close asked for meanwhile happens once the work has stopped.
class TFMMain::WorkScope {
  public:
    explicit WorkScope(TFMMain& window)
        : window_(window), wait_(WaitWindow()), focus_(QApplication::focusWidget()) {
        window_.busy_ = true;
        ClearCancel();
        setInput(false);
        previousWait_ = SetWaitWindow(&wait_);
    }
    ~WorkScope() {
        SetWaitWindow(previousWait_);
        setInput(true);
        if (focus_) focus_->setFocus();
        window_.busy_ = false;
        window_.updateSummary();
        if (window_.closeAfterWork_) QTimer::singleShot(0, &window_, &QWidget::close);
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

  private:
    void setInput(bool on) {
        for (QWidget* part : {window_.centralWidget(), static_cast<QWidget*>(window_.menuBar()),
                              static_cast<QWidget*>(window_.statusBar())})
            part->setEnabled(on);
    }
    TFMMain& window_;
    CancellableWait wait_;
    WaitDisplay* previousWait_ = nullptr;
    QPointer<QWidget> focus_;
};

template <typename Command> void TFMMain::bind(QPushButton* button, Command command) {
    connect(button, &QPushButton::clicked, this,
            [this, command] { runCommand([&] { (this->*command)(); }); });
}

template <typename Command> void TFMMain::bind(QAction* action, Command command) {
    connect(action, &QAction::triggered, this,
            [this, command] { runCommand([&] { (this->*command)(); }); });
}

void TFMMain::runCommand(const std::function<void()>& command) {
    // What the last delete left is told until the next command.
    if (SBPanels[0]) SBPanels[0]->clear();
    RunCommand(command);
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
    view_ = new TreeView(vt_, panel);
    view_->FitFontTo(wideTimeText());
    panelLayout->addWidget(view_);
    layout->addWidget(panel, 1);

    // Over the left end of the grid's header; only the box shows.
    cbCheckAll = new CheckAllBox(QStringLiteral("Check All"), panel);
    cbCheckAll->setGeometry(4, 3, 17, 17);
    cbCheckAll->setChecked(true);
    cbCheckAll->raise();
    connect(cbCheckAll, &QCheckBox::toggled, this,
            [this] { runCommand([this] { cbCheckAllClick(); }); });

    setCentralWidget(central);

    SB = statusBar();
    // The message panel takes what the summary leaves (up to 700 pixels), so that neither
    // covers the other in a narrow window or at a large scale.
    SBPanels[0] = new QLabel(SB);
    SBPanels[0]->setMaximumWidth(700);
    SBPanels[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    SB->addWidget(SBPanels[0], 1);
    SBPanels[1] = new QLabel(SB);
    SBPanels[1]->setFixedWidth(50);
    SB->addWidget(SBPanels[1]);
    SBUnreadable = new QPushButton(SB);
    SBUnreadable->setFlat(true);
    SBUnreadable->setCursor(Qt::PointingHandCursor);
    SBUnreadable->setToolTip(QStringLiteral("Lists them"));
    SBUnreadable->hide();
    connect(SBUnreadable, &QPushButton::clicked, this,
            [this] { runCommand([this] { ShowUnreadableClick(); }); });
    SB->addPermanentWidget(SBUnreadable);
    SBSummary = new QLabel(SB);
    SB->addPermanentWidget(SBSummary);

    buildMenus();

    // The view's accessible name says what the rows are.
    view_->setAccessibleName(QStringLiteral("Empty files"));
    view_->installEventFilter(this);
    // Check All stays over the check-box column wherever that column is shown.
    QHeaderView* header = view_->header();
    connect(header, &QHeaderView::sectionMoved, this, [this] { placeCheckAll(); });
    connect(header, &QHeaderView::sectionResized, this, [this] { placeCheckAll(); });
    connect(header, &QHeaderView::geometriesChanged, this, [this] { placeCheckAll(); });
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { placeCheckAll(); });

    // The summary is counted once the changes of one command are over.
    summaryTimer_ = new QTimer(this);
    summaryTimer_->setSingleShot(true);
    summaryTimer_->setInterval(0);
    connect(summaryTimer_, &QTimer::timeout, this, [this] { updateSummary(); });
    const TreeModel* model = &view_->Model();
    const auto later = [this] { summaryTimer_->start(); };
    connect(model, &QAbstractItemModel::modelReset, this, later);
    connect(model, &QAbstractItemModel::rowsInserted, this, later);
    connect(model, &QAbstractItemModel::rowsRemoved, this, later);
    connect(model, &QAbstractItemModel::dataChanged, this, later);
    connect(model, &QAbstractItemModel::layoutChanged, this, later);

    vt_.OnInitNode = [this](PVirtualNode node) { VTInitNode(node); };
    placeOnScreen();
    updateSummary();
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
        auto* button = new StripButton(style()->standardIcon(picture), QString::fromUtf8(text),
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
    PopupMenu1->addSeparator();
    MoveToTrash1 =
        PopupMenu1->addAction(IconOfSize(style()->standardIcon(QStyle::SP_TrashIcon), 32),
                              QStringLiteral("Move Checked To Trash"));
    bind(MoveToTrash1, &TFMMain::MoveToTrashClick);
    UndoDelete1 = PopupMenu1->addAction(
        IconOfSize(QIcon::fromTheme(QStringLiteral("edit-undo"),
                                    style()->standardIcon(QStyle::SP_ArrowBack)),
                   32),
        QStringLiteral("Undo Last Delete"));
    UndoDelete1->setEnabled(false);
    bind(UndoDelete1, &TFMMain::UndoDeleteClick);
    SortBy1 =
        PopupMenu1->addMenu(IconOfSize(QIcon::fromTheme(QStringLiteral("view-sort-ascending"),
                                                        style()->standardIcon(QStyle::SP_ArrowUp)),
                                       32),
                            QStringLiteral("Sort By"));
    connect(PopupMenu1, &QMenu::aboutToShow, this,
            [this] { RunCommand([this] { fillSortMenu(); }); });
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
        RunCommand([&] { Shell().ShowMessage(error.what(), "Warning", MessageIcon::Warning); });
        return;
    }
    // Columns from the built-in default because the file could not be written: said once.
    RunCommand([] {
        const std::string& notice = ConfigStore()->Notice();
        if (!notice.empty()) Shell().ShowMessage(notice, "Warning", MessageIcon::Warning);
    });
    setAcceptDrops(true);
    // Full Path takes the width the window gives beyond the configured widths.
    const VTColumns& columns = vt_.Columns();
    for (std::uint32_t c = 0; c < columns.Count(); ++c)
        if (FieldIndexOf(columns.Items(c).Text()) == std::uint8_t(FieldId::FullPath))
            view_->SetStretchColumn(int(c));
    // Big sorts show the busy cursor, from a header click as from the pop-up's Sort By.
    vt_.OnHeaderClick = [this, click = vt_.OnHeaderClick](int column, MouseButton button, int x,
                                                          int y) {
        BusyCursor cursor(vt_.TotalCount() > BusyCursorRows);
        click(column, button, x, y);
    };
    placeCheckAll();
}

void TFMMain::VTInitNode(PVirtualNode node) {
    node->CheckType = ctCheckBox;
}

void TFMMain::dragEnterEvent(QDragEnterEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    takeAsCopy(event);
}

void TFMMain::dropEvent(QDropEvent* event) {
    if (busy_ || !takeAsCopy(event)) return;
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    runCommand([&] { DropFolders(paths); });
}

void TFMMain::DropFolders(const std::vector<std::string>& paths) {
    std::vector<std::string> folders;
    for (const std::string& path : paths)
        if (isExistingFolder(path)) folders.push_back(path);
    scanFolders(folders, nullptr);
}

void TFMMain::btnOpenClick() {
    const std::string folder = Shell().SelectFolder();
    if (!folder.empty()) {
        repaint();
        scanFolders({folder}, "Loading info..");
    }
    if (ctrl_) {
        BusyCursor cursor(vt_.TotalCount() > BusyCursorRows);
        ctrl_->SortGrid();
    }
}

// The walk runs off the user-interface thread; the wait window tells what it has seen so far.
// A cancel keeps the rows found until then and says so.
void TFMMain::scanFolders(const std::vector<std::string>& folders, const char* waitText) {
    WorkScope work(*this);
    WaitScope wait;
    if (waitText) SetWaitText(waitText);
    ScanOptions options;
    ProgressPace pace;
    options.onProgress = [&](const ScanProgress& seen) {
        if (!pace.Due()) return;
        SetWaitText(QStringLiteral("%1, %2 seen, %3")
                        .arg(CountOf(seen.folders, "folder"), CountOf(seen.files, "entry"),
                             CountOf(seen.rows, "empty file"))
                        .toStdString());
    };
    std::vector<std::string> unreadable;
    options.onError = [&](const std::string& path, int error) {
        unreadable.push_back(path + ": " + std::generic_category().message(error));
    };
    std::string stopped;
    std::vector<TResultRow> rows = ScanOffThread(folders, options, &stopped);
    const std::size_t listed = rows.size();
    if (!AddScannedRows(vt_, std::move(rows)) && stopped.empty()) stopped = "not enough memory";
    unreadable_.insert(unreadable_.end(), unreadable.begin(), unreadable.end());
    if (!stopped.empty())
        SBPanels[0]->setText(QStringLiteral("The scan stopped early (%1); %2 listed")
                                 .arg(QString::fromStdString(stopped), CountOf(listed, "file")));
    else if (CancelRequested())
        SBPanels[0]->setText(
            QStringLiteral("Scan cancelled; %1 listed").arg(CountOf(listed, "file")));
}

void TFMMain::BitBtn1Click() {
    vt_.Clear();
    unreadable_.clear();
    updateSummary();
}

namespace {

// Below the delete question, when checked rows include kept files: how many and why, e.g.
// "\n\n3 of them are kept: 2 tracked by git, 1 marks a Python package." (no count for one
// reason alone).
std::string keptNote(const TVirtualStringTree& vt) {
    std::map<std::string_view, std::size_t> reasons;
    std::size_t kept = 0;
    for (const VirtualNode* node = vt.GetFirst(); node; node = vt.GetNext(node)) {
        if (node->CheckState != csCheckedNormal) continue;
        std::string_view reason = KeptReasonOf(RowOf(node));
        if (reason.empty()) continue;
        if (reason.starts_with("Kept: ")) reason.remove_prefix(6);
        ++reasons[reason];
        ++kept;
    }
    if (kept == 0) return {};
    std::string note =
        "\n\n" + std::to_string(kept) + (kept == 1 ? " of them is" : " of them are") + " kept: ";
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
    // The next row takes the focus once this one has gone.
    PVirtualNode next = vt_.GetNext(node);
    if (!next) next = vt_.GetPrevious(node);
    removeRows({node}, false);
    if (vt_.FocusedNode() == nullptr && next) vt_.SetFocusedNode(next);
}

std::vector<PVirtualNode> TFMMain::checkedRows() {
    std::vector<PVirtualNode> nodes;
    for (PVirtualNode node = vt_.GetFirst(); node; node = vt_.GetNext(node))
        if (node->CheckState == csCheckedNormal) nodes.push_back(node);
    return nodes;
}

void TFMMain::btnDelAllClick() {
    const std::string question = "Are you sure to delete the files from disk?" + keptNote(vt_);
    if (!Shell().AskYesNo(question, "Warning")) return;
    removeRows(checkedRows(), false);
}

void TFMMain::MoveToTrashClick() {
    const std::string question = "Are you sure to move the files to the trash?" + keptNote(vt_);
    if (!Shell().AskYesNo(question, "Warning")) return;
    removeRows(checkedRows(), true);
}

// The files go off the user-interface thread, with a count in the wait window and a cancel read
// between files. A row goes only with its file: a file that changed since the scan or could not
// be removed keeps its row, so the window never shows a failed delete as done.
void TFMMain::removeRows(const std::vector<PVirtualNode>& nodes, bool toTrash) {
    std::vector<const TResultRow*> rows;
    rows.reserve(nodes.size());
    for (PVirtualNode node : nodes)
        rows.push_back(&RowOf(node));
    std::vector<DeleteOutcome> outcomes(nodes.size(), DeleteOutcome::Changed);
    std::vector<char> tried(nodes.size(), 0);
    std::unique_ptr<UserTrash> trash;
    if (toTrash) trash = std::make_unique<UserTrash>(UserTrash::HomeTrashPath());
    // Every delete is journalled, so that Undo Last Delete can give the files back; without a
    // journal nothing is deleted.
    std::unique_ptr<DeleteJournal> journal;
    if (!toTrash) {
        try {
            journal = std::make_unique<DeleteJournal>(JournalFolder());
        } catch (const std::exception& e) {
            Shell().ShowMessage(std::string(e.what()) + "\nNothing was deleted.", "Warning",
                                MessageIcon::Warning);
            return;
        }
    }
    DeleteRecorder recorder(journal.get(), nullptr);
    {
        WorkScope work(*this);
        WaitScope wait(toTrash ? "Moving to the trash.." : "Deleting..");
        RemoveCallbacks callbacks;
        callbacks.onRow = [&](std::size_t index, DeleteOutcome outcome, const std::string&) {
            outcomes[index] = outcome;
            tried[index] = 1;
        };
        callbacks.onProgress = [](std::size_t done, std::size_t total) {
            SetWaitText(
                QStringLiteral("%1 of %2").arg(CountText(done), CountText(total)).toStdString());
        };
        callbacks.cancelled = [] { return CancelRequested(); };
        recorder.Attach(callbacks);
        RunOffUiThread([&] {
            // One thread: a cancel stops between two files.
            RemoveRows(rows, toTrash ? RemoveMode::Trash : RemoveMode::Delete,
                       /*includeKept=*/true, trash.get(), callbacks, /*threads=*/1);
        });
    }
    std::size_t removed = 0, left = 0, untried = 0;
    {
        UpdateBracket bracket(vt_);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (!tried[i]) {
                ++untried;
                continue;
            }
            // Anything but gone (changed, refused, kept) leaves the row.
            if (outcomes[i] == DeleteOutcome::Deleted) ++removed;
            if (outcomes[i] == DeleteOutcome::Deleted || outcomes[i] == DeleteOutcome::Vanished)
                vt_.DeleteNode(nodes[i]);
            else
                ++left;
        }
    }
    QString text = toTrash ? QStringLiteral("Moved %1 to the trash").arg(CountOf(removed, "file"))
                           : QStringLiteral("Deleted ") + CountOf(removed, "file");
    if (left)
        text += QStringLiteral("; %1 left on disk (changed since the scan or not %2)")
                    .arg(CountOf(left, "file"),
                         toTrash ? QStringLiteral("movable") : QStringLiteral("deletable"));
    if (untried) text += QStringLiteral("; cancelled, %1 not tried").arg(CountOf(untried, "file"));
    if (journal && journal->Count() > 0) {
        lastJournal_ = journal->Path();
        UndoDelete1->setEnabled(true);
    }
    SBPanels[0]->setText(text);
    updateSummary();
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
// The writers run off the user-interface thread: the window keeps painting, the wait window
// counts the rows written and its Cancel leaves the old file as it was.
void TFMMain::exportOffThread(void (TCorvaneCtrl::*command)(const TVirtualStringTree&)) {
    if (!ctrl_) return;
    try {
        WorkScope work(*this);
        RunOffUiThread([&] { (ctrl_.get()->*command)(vt_); });
    } catch (const Cancelled&) {
        SBPanels[0]->setText(QStringLiteral("Export cancelled; no file was changed"));
    }
}

void TFMMain::ExportToHTML1Click() {
    exportOffThread(&TCorvaneCtrl::ExportToHTML);
}

void TFMMain::ExportToText1Click() {
    exportOffThread(&TCorvaneCtrl::ExportToText);
}

void TFMMain::ExportToExcel1Click() {
    exportOffThread(&TCorvaneCtrl::ExportToExcel);
}

void TFMMain::ExportToSCV1Click() {
    exportOffThread(&TCorvaneCtrl::ExportToCSV);
}

void TFMMain::ExportToXML1Click() {
    exportOffThread(&TCorvaneCtrl::ExportToXML);
}

} // namespace nullsweep

namespace nullsweep {

// The files of this window's last delete run are made again where nothing stands now, and
// listed once more.
void TFMMain::UndoDeleteClick() {
    if (lastJournal_.empty()) return;
    if (!Shell().AskYesNo("Are you sure to restore the files of the last delete?", "Warning"))
        return;
    UndoResult result;
    std::string failure;
    {
        WorkScope work(*this);
        WaitScope wait("Restoring..");
        RunOffUiThread([&] {
            try {
                result = UndoDeleteRun(lastJournal_);
            } catch (const std::exception& e) {
                failure = e.what();
            }
        });
    }
    if (!failure.empty()) {
        SBPanels[0]->setText(QString::fromStdString(failure));
        return;
    }
    AddScannedRows(vt_, std::move(result.rows));
    lastJournal_.clear();
    UndoDelete1->setEnabled(false);
    SBPanels[0]->setText(QString::fromStdString(UndoSummary(result.count)));
    updateSummary();
    if (!result.problems.empty()) {
        std::string text = "These files could not be restored:";
        for (std::size_t i = 0; i < result.problems.size() && i < 20; ++i)
            text += "\n" + result.problems[i];
        if (result.problems.size() > 20)
            text += "\n(" + std::to_string(result.problems.size() - 20) + " more)";
        Shell().ShowMessage(text, "Warning", MessageIcon::Warning);
    }
}

} // namespace nullsweep
