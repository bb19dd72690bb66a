// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/VirtualTree.h"
#include "scan/ResultRow.h"

#include <optional>
#include <string_view>

namespace nullsweep {

// How rows of the same kind compare by a field.
enum class SortRule : std::uint8_t {
    Number, // the numbers the texts read as: greater +1, else -1 (also when equal)
    Date,   // the times the texts read as: empty first, else CompareTimes
    Kind,   // no comparison: always +1
    Text,   // CompareText
};

SortRule SortRuleOf(FieldId field);

// Byte-wise comparison where only a-z are folded to A-Z; the first differing byte decides, else
// the shorter text comes first. Only the sign of the result means something.
int CompareText(std::string_view a, std::string_view b);

// Two date-time values in days: 0 when less than a millisecond apart, else -1 or +1.
int CompareTimes(double a, double b);

// The number a number field's text reads as: the size; 0 for the fields rows leave empty (an
// empty text or one that is no number counts as 0).
double NumberOf(const TResultRow& row, FieldId field);

// The days since 1899-12-30 that a time field's text reads as (ShownDays); nothing for an empty
// row, whose text is empty.
std::optional<double> DaysOf(const TResultRow& row, FieldId field);

// The order of two rows, R1 being the one that came earlier, as their texts compare: rows of
// different kinds (an empty row beside a file's; neither is a folder) give -1 ascending and +1
// descending. Otherwise field `sortField` by its rule. Not antisymmetric (equal numbers give -1
// both ways): the tree's stable merge turns the results into the orders users see, so any other
// sort must reproduce that merge. A field index out of range counts as "File Name".
int CompareRows(const TResultRow& r1, const TResultRow& r2, SortOrder direction,
                int sortField) noexcept;

} // namespace nullsweep
