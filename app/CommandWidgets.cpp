// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandWidgets.h"

#include <QPainter>
#include <QPen>
#include <QProxyStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace nullsweep {

StripButton::StripButton(const QIcon& icon, const QString& text, int width, int height,
                         QWidget* parent)
    : QPushButton(icon, text, parent), size_(width, height) {
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize StripButton::sizeHint() const {
    return size_;
}

QSize StripButton::minimumSizeHint() const {
    return {std::min(size_.width(), QPushButton::sizeHint().width()), size_.height()};
}

void CheckAllBox::paintEvent(QPaintEvent* event) {
    QCheckBox::paintEvent(event);
    if (!hasFocus()) return;
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    QPainter painter(this);
    QPen pen(Qt::black);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(box.adjusted(-1, -1, 0, 0).intersected(rect().adjusted(0, 0, -1, -1)));
}

namespace {

class MenuIconStyle final : public QProxyStyle {
  public:
    explicit MenuIconStyle(int side) : side_(side) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_SmallIconSize) return side_;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

  private:
    int side_;
};

} // namespace

void SetMenuIconSize(QMenu* menu, int side) {
    // A proxy of the application's style, whichever it is.
    auto* style = new MenuIconStyle(side);
    style->setParent(menu);
    menu->setStyle(style);
}

QIcon IconOfSize(const QIcon& icon, int side) {
    QSize largest;
    for (const QSize& size : icon.availableSizes())
        if (size.width() > largest.width()) largest = size;
    QPixmap picture =
        icon.pixmap(largest.isValid() ? largest.expandedTo(QSize(side, side)) : QSize(side, side));
    if (picture.isNull()) return icon;
    QIcon result;
    picture = picture.width() >= picture.height()
                  ? picture.scaledToWidth(side, Qt::SmoothTransformation)
                  : picture.scaledToHeight(side, Qt::SmoothTransformation);
    result.addPixmap(picture);
    return result;
}

} // namespace nullsweep
