// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/FormatPieces.h"

#include <QDate>

namespace nullsweep {

std::optional<FormatPieces> CompileFormat(const QString& format, const QLocale& locale) {
    if (locale.zeroDigit() != QStringLiteral("0")) return std::nullopt;
    const bool twelveHour = format.contains(u'A') || format.contains(u'a');
    FormatPieces pieces;
    auto literal = [&](const QString& text) {
        if (text.isEmpty()) return;
        if (!pieces.empty() && pieces.back().kind == FormatPiece::Literal)
            pieces.back().text += text.toStdString();
        else
            pieces.push_back({FormatPiece::Literal, 0, text.toStdString(), {}, {}});
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            const qsizetype end = format.indexOf(u'\'', i + 1);
            if (end < 0) return std::nullopt;
            literal(end == i + 1 ? QStringLiteral("'") : format.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c == u'A' || c == u'a') {
            const bool pair =
                i + 1 < format.size() && (format[i + 1] == u'P' || format[i + 1] == u'p');
            if (pair && format[i + 1].isUpper() != c.isUpper()) return std::nullopt;
            const bool upper = c.isUpper();
            const QString am = upper ? locale.amText().toUpper() : locale.amText().toLower();
            const QString pm = upper ? locale.pmText().toUpper() : locale.pmText().toLower();
            if (am.isEmpty() || pm.isEmpty() || am == pm) return std::nullopt;
            pieces.push_back({FormatPiece::AmPm, 0, am.toStdString(), pm.toStdString(), {}});
            i += pair ? 2 : 1;
            continue;
        }
        if (c == u'M' && (run == 3 || run == 4)) {
            // The names exactly as the formatter writes them.
            FormatPiece piece{FormatPiece::MonthName, int(run), {}, {}, {}};
            const QString token(run, u'M');
            for (int month = 1; month <= 12; ++month) {
                piece.names.push_back(locale.toString(QDate(2001, month, 1), token).toStdString());
                if (piece.names.back().empty()) return std::nullopt;
            }
            pieces.push_back(std::move(piece));
            i += run;
            continue;
        }
        FormatPiece::Kind kind = FormatPiece::Literal;
        if (c == u'd' && run <= 2)
            kind = FormatPiece::Day;
        else if (c == u'M' && run <= 2)
            kind = FormatPiece::Month;
        else if (c == u'y' && run == 4)
            kind = FormatPiece::Year;
        else if (c == u'H' && run <= 2)
            kind = FormatPiece::Hour24;
        else if (c == u'h' && run <= 2)
            kind = twelveHour ? FormatPiece::Hour12 : FormatPiece::Hour24;
        else if (c == u'm' && run <= 2)
            kind = FormatPiece::Minute;
        else if (c == u's' && run <= 2)
            kind = FormatPiece::Second;
        else if (c.isLetter())
            return std::nullopt; // month names, weekdays, zones...: QLocale reads those
        if (kind == FormatPiece::Literal)
            literal(format.mid(i, run));
        else
            pieces.push_back({kind, int(run), {}, {}, {}});
        i += run;
    }
    return pieces;
}

} // namespace nullsweep
