// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace nullsweep {

// The grid keeps fixed light colours whatever the desktop's theme; its texts take colours that
// read on them, chosen here.

// The contrast ratio of two colours as accessibility guidelines define it: 1 (the same
// lightness) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// `preferred` when it reads on `background` (a ratio of at least 4.5), else black or white,
// whichever reads better.
QColor TextColourOn(const QColor& background, const QColor& preferred);

// A quieter text colour for rows drawn dimmed, still legible on `background` (ratio >= 3).
QColor DimmedTextOn(const QColor& background);

// `font` at the largest size from `largestPoints` down, in half points (no smaller than 6),
// at which `text` is at most `width` pixels wide.
QFont FittingFont(QFont font, double largestPoints, const QString& text, int width);

} // namespace nullsweep
