// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"
#include "text/DateTimeText.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nullsweep {

// Makes the text of a row's field from its facts, as the result row's slot of that field reads:
// the file name (the tail of the path), the full path, the size as plain decimal digits, the
// extension, "file", the three times as the locale's date-time texts; every other field is
// empty, as is every field of an empty row. One object per thread: it keeps the texts of recent
// days and the last stamp of each time, since files made together share them.
class RowText {
  public:
    explicit RowText(const DateTimeText& times = DateTimeText::System());

    // A view into the row or into this object, valid until the next call or until the row
    // changes. A field index out of range gives the empty text.
    std::string_view Field(const TResultRow& row, FieldId field);
    std::string_view Field(const TResultRow& row, int fieldIndex);
    // The text of a field that the row holds as it is (the name, the path, the extension, the
    // kind); empty for the others.
    static std::string_view HeldText(const TResultRow& row, FieldId field);

    // The date-time text of a time stamp under the time-zone rules in force at it; a time the
    // texts cannot show (a year outside 1 to 9999) shows the nearest one they can.
    std::string_view TimeText(std::int64_t seconds);

  private:
    struct LastTime {
        std::int64_t seconds = 0;
        bool known = false;
        std::string text;
    };
    std::string_view timeText(std::int64_t seconds, LastTime& last);

    const DateTimeText& times_;
    std::string text_;
    struct Day {
        std::int64_t key = -1;
        std::string text;
    };
    std::vector<Day> days_; // by day number modulo their count; made on first use
    LastTime created_, accessed_, written_, other_;
};

// The local calendar time that a time stamp's text shows, in days since 1899-12-30, which is
// the value the text reads back as; for a time the texts cannot show, the real time in days
// since 1899-12-30 counted in UTC, so that it still orders where it belongs.
double ShownDays(std::int64_t seconds);

} // namespace nullsweep
