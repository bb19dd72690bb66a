// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's status bar (the rows' summary, what could not be read) and the Check All
// box's place over its column.
#include "app/CountText.h"
#include "app/MainWindow.h"

#include "desktop/DesktopShell.h"
#include "rows/GridRows.h"
#include "scan/KeptFiles.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

namespace nullsweep {

void TFMMain::placeCheckAll() {
    if (!cbCheckAll || !view_) return;
    QHeaderView* header = view_->header();
    const int column = TreeModel::CheckColumn;
    if (column >= header->count() || header->isSectionHidden(column)) {
        cbCheckAll->hide();
        return;
    }
    // Over the section's left end (4 from the panel's edge when it is the first one), as long
    // as that end is in sight.
    const int left = header->sectionViewportPosition(column);
    const bool inSight = left >= 0 && left + 17 <= header->viewport()->width();
    cbCheckAll->move(4 + left, 3);
    cbCheckAll->setVisible(inSight);
    cbCheckAll->raise();
}

void TFMMain::updateSummary() {
    if (!SBSummary) return;
    std::size_t total = 0, checked = 0, kept = 0;
    const bool rows = vt_.NodeDataSize() >= RowDataSize;
    for (PVirtualNode node = vt_.GetFirst(); node; node = vt_.GetNext(node)) {
        ++total;
        if (node->CheckState == csCheckedNormal) ++checked;
        if (rows && !KeptReasonOf(RowOf(node)).empty()) ++kept;
    }
    SBSummary->setText(QStringLiteral("%1 empty %2, %3 checked, %4 kept")
                           .arg(CountText(total),
                                total == 1 ? QStringLiteral("file") : QStringLiteral("files"),
                                CountText(checked), CountText(kept)));
    SBUnreadable->setVisible(!unreadable_.empty());
    SBUnreadable->setText(
        QStringLiteral("%1 could not be read")
            .arg(unreadable_.size() == 1
                     ? QStringLiteral("1 folder or file")
                     : CountText(unreadable_.size()) + QStringLiteral(" folders or files")));
}

void TFMMain::ShowUnreadableClick() {
    if (unreadable_.empty()) return;
    constexpr std::size_t Shown = 50;
    std::string text = "These could not be read:\n";
    for (std::size_t i = 0; i < unreadable_.size() && i < Shown; ++i)
        text += unreadable_[i] + "\n";
    if (unreadable_.size() > Shown)
        text += "and " + std::to_string(unreadable_.size() - Shown) + " more\n";
    Shell().ShowMessage(text, "Could not be read", MessageIcon::Warning);
}

} // namespace nullsweep
