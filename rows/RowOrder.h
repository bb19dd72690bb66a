// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/VirtualTree.h"
#include "scan/ResultRow.h"
#include "text/TextLocale.h"

#include <optional>
#include <string_view>

namespace nullsweep {

// How rows of the same kind compare by a field.
enum class TSortRule : std::uint8_t {
    Number, // CompareNumberText
    Date,   // CompareDateText
    Kind,   // no comparison: always +1
    Text,   // CompareText
};

TSortRule SortRuleOf(TField field);

// Byte-wise comparison where only a-z are folded to A-Z; the first differing byte decides, else
// the shorter text comes first. Only the sign of the result means something.
int CompareText(std::string_view a, std::string_view b);

// +1 when A is the greater number, else -1 (also when equal); a text that is not a number text
// counts as 0.
int CompareNumberText(std::string_view a, std::string_view b,
                      const TTextLocale& locale = TTextLocale::System());

// -1 when A is empty (whatever B is), +1 when only B is empty, +1 when either is not a date-time
// text of the locale, else CompareTimes of the two values.
int CompareDateText(std::string_view a, std::string_view b,
                    const TTextLocale& locale = TTextLocale::System());

// Two date-time values in days: 0 when less than a millisecond apart, else -1 or +1.
int CompareTimes(double a, double b);

// For a time field whose text shows only the nearest time it can (RealTimeOf), its real time in
// days since 1899-12-30 (counted in UTC), so that it sorts where it belongs; else nothing.
std::optional<double> DaysBeyondText(const TResultRow& row, int field);

// The order of two rows, R1 being the one that came earlier. Rows whose trimmed "File Type"
// texts differ: "folder" first in either direction. Otherwise field `sortField` by its rule.
// Not antisymmetric (equal numbers give -1 both ways): the tree's stable merge turns the
// results into the orders users see, so any other sort must reproduce that merge. A field
// index out of range counts as "File Name".
int CompareRows(const TResultRow& r1, const TResultRow& r2, TSortDirection direction, int sortField,
                const TTextLocale& locale = TTextLocale::System()) noexcept;

} // namespace nullsweep
