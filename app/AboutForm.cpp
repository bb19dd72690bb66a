// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutForm.h"

#include "app/AboutLinks.h"
#include "app/MainWindow.h"
#include "desktop/RunCommand.h"
#include "grid/GridLook.h"
#include "grid/TreeView.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace nullsweep {

namespace {

// A blue (or, in a dark theme, light) underlined label with a hand cursor that runs `click` when
// clicked.
class LinkLabel final : public QLabel {
  public:
    LinkLabel(const QString& text, std::function<void()> click, QWidget* parent)
        : QLabel(text, parent), click_(std::move(click)) {
        QFont underlined = font();
        underlined.setUnderline(true);
        setFont(underlined);
        // Blue where blue reads on the window's colour (a light theme), else a link colour that
        // does.
        const QColor window = palette().color(QPalette::Window);
        QColor colour = TextColourOn(window, QColor(Qt::blue));
        if (colour != QColor(Qt::blue))
            colour = TextColourOn(window, palette().color(QPalette::Link));
        QPalette colours = palette();
        colours.setColor(QPalette::WindowText, colour);
        setPalette(colours);
        setCursor(Qt::PointingHandCursor);
        // Reached with Tab and opened with Enter or Space, as a link is.
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(text);
        setAccessibleDescription(QStringLiteral("Link"));
    }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            RunCommand(click_);
    }
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            RunCommand(click_);
            return;
        }
        QLabel::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (!hasFocus()) return;
        QPainter painter(this);
        QPen pen(palette().color(QPalette::WindowText));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        const QRect text = fontMetrics().boundingRect(this->text());
        painter.drawRect(
            QRect(0, 0, std::min(width(), text.width() + 2), height()).adjusted(0, 0, -1, -1));
    }

  private:
    std::function<void()> click_;
};

const QString Notice = QStringLiteral("Copyright (C) 2026 Tarvel. All rights reserved.");
constexpr int Width = 292;

QString mailAddress() {
    QString address = QString::fromUtf8(MailToAddress.data(), qsizetype(MailToAddress.size()));
    return address.mid(address.indexOf(':') + 1);
}

} // namespace

TFMAbout::TFMAbout(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    // The grid's narrow face, 10 points unless the notice needs smaller to fit the fixed width.
    const QMargins margins = layout->contentsMargins();
    setFont(FittingFont(TreeView::GridFont(font()), 10, Notice,
                        Width - margins.left() - margins.right()));

    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    layout->addWidget(title_);
    layout->addWidget(new QLabel(Notice, this));

    auto* links = new QGridLayout;
    links->addWidget(new QLabel(QStringLiteral("Web: "), this), 0, 0);
    web_ = new LinkLabel(
        QString::fromUtf8(WebSiteAddress.data(), qsizetype(WebSiteAddress.size())),
        [] { OpenWebSite(); }, this);
    links->addWidget(web_, 0, 1);
    links->addWidget(new QLabel(QStringLiteral("Email: "), this), 1, 0);
    mail_ = new LinkLabel(
        mailAddress(), [] { OpenMailTo(); }, this);
    links->addWidget(mail_, 1, 1);
    links->setColumnStretch(1, 1);
    layout->addLayout(links);
    layout->addStretch(1);

    // A fixed dialog border: no resizing, only the close box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(Width, 152);
}

void TFMAbout::showEvent(QShowEvent* event) {
    title_->setText(QString::fromUtf8(TFMMain::Caption));
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace nullsweep
