// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

#include <cstddef>

namespace nullsweep {

// A count in the locale's digits and group separators ("3,000" in English).
inline QString CountText(std::size_t n) {
    return QLocale().toString(qulonglong(n));
}

// A count and what it counts, singular or plural: "1 file", "2 files", "3 entries".
inline QString CountOf(std::size_t n, const char* thing) {
    QString text = CountText(n) + QLatin1Char(' ') + QLatin1String(thing);
    if (n == 1) return text;
    if (text.endsWith(QLatin1Char('y'))) {
        text.chop(1);
        return text + QLatin1String("ies");
    }
    return text + QLatin1Char('s');
}

} // namespace nullsweep
