// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WaitForm.h"

#include "desktop/WaitCancel.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace nullsweep {

namespace {

constexpr int StepMs = 40;     // 25 steps a second
constexpr int SweepSteps = 30; // from one end to the other

} // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(StepMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        ++phase_;
        update();
    });
}

void BusyIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_.start();
}

void BusyIndicator::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect groove = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(groove);
    // To and fro: 0 .. SweepSteps and back.
    const int step = phase_ % (2 * SweepSteps);
    const int at = step <= SweepSteps ? step : 2 * SweepSteps - step;
    const int block = std::max(8, width() / 4);
    const int left = 2 + (width() - 4 - block) * at / SweepSteps;
    painter.fillRect(QRect(left, 2, block, height() - 4), palette().color(QPalette::Highlight));
}

TWaitForm::TWaitForm(QWidget* over)
    : QWidget(over, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("WaitForm"));

    busy_ = new BusyIndicator(this);
    busy_->setGeometry(8, 25, 80, 16);

    label1_ = new QLabel(QStringLiteral("This will take a few minutes.Please be patient..."), this);
    label2_ = new QLabel(QStringLiteral("..."), this);
    label2_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    // 376 pixels wide unless the desktop's font needs more for the notice.
    const int textWidth = std::max(266, label1_->sizeHint().width());
    setFixedSize(std::max(376, 103 + textWidth + 8), 84);
    label1_->setGeometry(103, 8, textWidth, 18);
    label2_->setGeometry(103, 30, textWidth, 18);

    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setGeometry(142, 54, 97, 25);
    cancel_->setFlat(true);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [] { RequestCancel(); });

    // A screen reader announces the window with its notice, and reads the progress line.
    setAccessibleName(QStringLiteral("Please wait"));
    setAccessibleDescription(label1_->text());
    busy_->setAccessibleName(QStringLiteral("Working"));
}

void TWaitForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && cancel_->isVisible()) {
        RequestCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TWaitForm::ShowWait(bool visible, bool cancelVisible) {
    if (!visible) {
        if (isVisible()) hide();
        return;
    }
    cancel_->setVisible(cancelVisible);
    if (QWidget* over = parentWidget())
        move(over->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    if (QAccessible::isActive()) {
        QAccessibleEvent shown(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&shown);
    }
    paintNow();
}

void TWaitForm::SetWaitText(const std::string& text) {
    label2_->setText(QFile::decodeName(QByteArray::fromStdString(text)));
    fitProgress();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(label2_, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    if (isVisible()) paintNow();
}

// A progress line wider than the window widens it (never narrows it), so no count is cut;
// a shown window stays centred over the main window.
void TWaitForm::fitProgress() {
    const int needed = label2_->sizeHint().width();
    if (needed <= label2_->width()) return;
    label1_->resize(needed, label1_->height());
    label2_->resize(needed, label2_->height());
    setFixedSize(103 + needed + 8, height());
    cancel_->move((width() - cancel_->width()) / 2, cancel_->y());
    if (QWidget* over = parentWidget(); over && isVisible())
        move(over->frameGeometry().center() - QPoint(width() / 2, height() / 2));
}

// A window that has just been shown is drawn only once the display system has exposed it, so
// wait for that (briefly, handling no user input), then draw.
void TWaitForm::paintNow() {
    const QDeadlineTimer deadline(250);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    repaint();
}

} // namespace nullsweep
