// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowOrder.h"

#include "scan/FileRow.h"

#include <cmath>
#include <cstdint>

namespace nullsweep {

TSortRule SortRuleOf(TField field) {
    switch (field) {
    case TField::FileSize:
    case TField::FileNameLength:
    case TField::PathNameLength:
    case TField::SizePercentage:
    case TField::FileCount:
        return TSortRule::Number;
    case TField::CreateTime:
    case TField::AccessTime:
    case TField::WriteTime:
        return TSortRule::Date;
    case TField::FileType:
        return TSortRule::Kind;
    case TField::FileName:
    case TField::FullPath:
    case TField::FileExt:
    case TField::Description:
    case TField::CatalogName:
    case TField::DOSName:
    case TField::CreateAgeRange:
    case TField::AccessAgeRange:
    case TField::WriteAgeRange:
    case TField::SizeRange:
        return TSortRule::Text;
    }
    return TSortRule::Text;
}

int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int x = static_cast<unsigned char>(a[i]);
        int y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareNumberText(std::string_view a, std::string_view b, const TTextLocale& locale) {
    const double x = locale.NumberValue(a).value_or(0.0);
    const double y = locale.NumberValue(b).value_or(0.0);
    return x > y ? 1 : -1;
}

int CompareDateText(std::string_view a, std::string_view b, const TTextLocale& locale) {
    if (a.empty()) return -1;
    if (b.empty()) return 1;
    const auto x = locale.DateValue(a);
    const auto y = locale.DateValue(b);
    if (!x || !y) return 1;
    return CompareTimes(*x, *y);
}

std::optional<double> DaysBeyondText(const TResultRow& row, int field) {
    const std::optional<std::int64_t> seconds = RealTimeOf(row, TField(field));
    if (!seconds) return std::nullopt;
    return double(*seconds) / 86400.0 + 25569.0;
}

int CompareTimes(double a, double b) {
    // One millisecond in days, as the nearest extended-precision value.
    constexpr long double OneMillisecond = 1.0L / 86400000.0L;
    if (std::fabs(static_cast<long double>(a) - static_cast<long double>(b)) < OneMillisecond)
        return 0;
    return a < b ? -1 : 1;
}

int CompareRows(const TResultRow& r1, const TResultRow& r2, TSortDirection direction, int sortField,
                const TTextLocale& locale) noexcept {
    try {
        const int s = direction == sdAscending ? -1 : 1;
        const std::string_view kind1 = TrimControl(r1.Field(TField::FileType));
        const std::string_view kind2 = TrimControl(r2.Field(TField::FileType));
        if (kind1 != kind2) return kind1 == "folder" ? s : -s;
        if (sortField < 0 || sortField >= FieldCount) sortField = 0;
        const std::string_view a = r1.Field(sortField);
        const std::string_view b = r2.Field(sortField);
        switch (SortRuleOf(static_cast<TField>(sortField))) {
        case TSortRule::Number:
            return CompareNumberText(a, b, locale);
        case TSortRule::Date: {
            const auto x = DaysBeyondText(r1, sortField), y = DaysBeyondText(r2, sortField);
            if (!x && !y) return CompareDateText(a, b, locale);
            const auto dx = x ? x : a.empty() ? std::nullopt : locale.DateValue(a);
            const auto dy = y ? y : b.empty() ? std::nullopt : locale.DateValue(b);
            if (!dx) return -1; // empty first, as CompareDateText has it
            if (!dy) return 1;
            return CompareTimes(*dx, *dy);
        }
        case TSortRule::Kind:
            return 1;
        case TSortRule::Text:
            return CompareText(a, b);
        }
    } catch (...) {
        // a comparison never fails; the texts involved are all in memory
    }
    return 1;
}

} // namespace nullsweep
