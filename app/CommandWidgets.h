// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QIcon>
#include <QMenu>
#include <QPushButton>

namespace nullsweep {

// A command button of the main window's strip: `width` pixels wide where the window has room,
// narrower (down to what its picture and text need) on a small screen.
class StripButton final : public QPushButton {
  public:
    StripButton(const QIcon& icon, const QString& text, int width, int height, QWidget* parent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  private:
    QSize size_;
};

// The Check All box, of which only the box shows (its caption lies under the grid's header): it
// draws its keyboard focus around the box itself.
class CheckAllBox final : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The style of a pop-up menu whose pictures are `side` pixels square; owned by `menu`.
void SetMenuIconSize(QMenu* menu, int side);

// `icon` drawn at `side` x `side` pixels, scaled up from its largest picture where it has no
// picture that large (an icon never grows by itself).
QIcon IconOfSize(const QIcon& icon, int side);

} // namespace nullsweep
