// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowOrder.h"

#include "scan/RowText.h"

#include <cmath>
#include <cstdint>

namespace nullsweep {

SortRule SortRuleOf(FieldId field) {
    switch (field) {
    case FieldId::FileSize:
    case FieldId::FileNameLength:
    case FieldId::PathNameLength:
    case FieldId::SizePercentage:
    case FieldId::FileCount:
        return SortRule::Number;
    case FieldId::CreateTime:
    case FieldId::AccessTime:
    case FieldId::WriteTime:
        return SortRule::Date;
    case FieldId::FileType:
        return SortRule::Kind;
    case FieldId::FileName:
    case FieldId::FullPath:
    case FieldId::FileExt:
    case FieldId::Description:
    case FieldId::CatalogName:
    case FieldId::DOSName:
    case FieldId::CreateAgeRange:
    case FieldId::AccessAgeRange:
    case FieldId::WriteAgeRange:
    case FieldId::SizeRange:
        return SortRule::Text;
    }
    return SortRule::Text;
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

double NumberOf(const TResultRow& row, FieldId field) {
    return field == FieldId::FileSize ? double(row.Size()) : 0.0;
}

std::optional<double> DaysOf(const TResultRow& row, FieldId field) {
    if (row.Empty()) return std::nullopt;
    return ShownDays(row.TimeOf(field).seconds);
}

int CompareTimes(double a, double b) {
    // One millisecond in days, as the nearest extended-precision value.
    constexpr long double OneMillisecond = 1.0L / 86400000.0L;
    if (std::fabs(static_cast<long double>(a) - static_cast<long double>(b)) < OneMillisecond)
        return 0;
    return a < b ? -1 : 1;
}

int CompareRows(const TResultRow& r1, const TResultRow& r2, SortOrder direction,
                int sortField) noexcept {
    if (r1.Empty() != r2.Empty()) return direction == sdAscending ? 1 : -1;
    if (sortField < 0 || sortField >= FieldCount) sortField = 0;
    const auto field = static_cast<FieldId>(sortField);
    switch (SortRuleOf(field)) {
    case SortRule::Number:
        return NumberOf(r1, field) > NumberOf(r2, field) ? 1 : -1;
    case SortRule::Date: {
        const auto a = DaysOf(r1, field), b = DaysOf(r2, field);
        if (!a) return -1; // an empty text first, even against another
        if (!b) return 1;
        return CompareTimes(*a, *b);
    }
    case SortRule::Kind:
        return 1;
    case SortRule::Text:
        return CompareText(RowText::HeldText(r1, field), RowText::HeldText(r2, field));
    }
    return 1;
}

} // namespace nullsweep
