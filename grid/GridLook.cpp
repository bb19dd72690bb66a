// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/GridLook.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace nullsweep {

namespace {

double luminance(const QColor& colour) {
    auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

QColor mix(const QColor& from, const QColor& to, double share) {
    const QColor a = from.toRgb(), b = to.toRgb();
    auto channel = [share](int x, int y) { return int(std::lround(x + (y - x) * share)); };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()));
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor TextColourOn(const QColor& background, const QColor& preferred) {
    if (preferred.isValid() && ContrastRatio(preferred, background) >= 4.5) return preferred;
    const QColor black(Qt::black), white(Qt::white);
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

QColor DimmedTextOn(const QColor& background) {
    const QColor ink = TextColourOn(background, QColor());
    // As far towards the background as legibility allows, at most 45%.
    for (double share = 0.45; share > 0; share -= 0.05) {
        const QColor dimmed = mix(ink, background, share);
        if (ContrastRatio(dimmed, background) >= 3.0) return dimmed;
    }
    return ink;
}

QFont FittingFont(QFont font, double largestPoints, const QString& text, int width) {
    for (double points = largestPoints; points > 6; points -= 0.5) {
        font.setPointSizeF(points);
        if (QFontMetrics(font).horizontalAdvance(text) <= width) return font;
    }
    font.setPointSizeF(6);
    return font;
}

} // namespace nullsweep
