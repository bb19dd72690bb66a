// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's keyboard paths, its close box while work runs, and the pop-up's Sort By.
#include "app/MainWindow.h"

#include "desktop/RunCommand.h"
#include "desktop/WaitCancel.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>

namespace nullsweep {

void TFMMain::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // The work stops first; the window closes once it has.
        RequestCancel();
        closeAfterWork_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TFMMain::keyPressEvent(QKeyEvent* event) {
    if (busy_ && event->key() == Qt::Key_Escape) {
        RequestCancel();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// The grid's keys: Delete asks to delete the focused file, Enter opens it as a double click
// does, Shift+F10 opens the pop-up menu as the Menu key does.
bool TFMMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress && !busy_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Delete && modifiers == Qt::NoModifier) {
            runCommand([this] { btnDeleteClick(); });
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            modifiers == Qt::NoModifier) {
            runCommand([this] {
                if (vt_.OnDblClick) vt_.OnDblClick();
            });
            return true;
        }
        if (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
            popupAtFocus();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Under the focused row (the grid's top left without one).
void TFMMain::popupAtFocus() {
    QPoint at(0, 0);
    const QModelIndex current = view_->currentIndex();
    if (current.isValid()) at = view_->visualRect(current).bottomLeft();
    PopupMenu1->popup(view_->viewport()->mapToGlobal(at));
}

void TFMMain::fillSortMenu() {
    SortBy1->clear();
    const VTColumns& columns = vt_.Columns();
    for (const std::uint32_t index : columns.DisplayOrder()) {
        const VirtualTreeColumn& column = columns.Items(index);
        if (!column.Visible()) continue;
        QAction* item = SortBy1->addAction(QString::fromUtf8(column.Text()).trimmed());
        item->setCheckable(true);
        item->setChecked(vt_.SortColumn() == int(index));
        connect(item, &QAction::triggered, this,
                [this, index] { runCommand([this, index] { sortByColumn(int(index)); }); });
    }
    SortBy1->setEnabled(!SortBy1->isEmpty());
}

// As a left click on the column's header.
void TFMMain::sortByColumn(int column) {
    if (vt_.OnHeaderClick) vt_.OnHeaderClick(column, MouseButton::mbLeft, 0, 0);
}

} // namespace nullsweep
