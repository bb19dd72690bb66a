// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/DateTimeText.h"
#include "text/FormatPieces.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nullsweep {

// Reads date-time texts in the locale's formats (the scan's DateTimeText) back as a count of
// days since 1899-12-30 in local calendar time, the fraction being the time of day.
//
// Sorting a million rows by a time column parses a million texts, and QLocale's parser takes
// microseconds for each, so the formats are compiled into pieces that read the texts the scan
// writes (numeric fields of their canonical widths, the locale's literal texts). Whatever the
// pieces do not read goes to QLocale, so the value of every text is the one QLocale gives.
class DateTextParser {
  public:
    explicit DateTextParser(const DateTimeText& times);

    // Nothing when the text is not a date-time text of the locale.
    std::optional<double> Days(std::string_view text) const;
    // The same through QLocale alone: the reference that Days must match.
    std::optional<double> DaysWithQt(std::string_view text) const;
    // Whether the locale's formats compiled into pieces (else every text goes to QLocale).
    bool HasFastPath() const { return date_.has_value() && time_.has_value(); }

  private:
    using Piece = FormatPiece;
    using Pieces = FormatPieces;
    struct Fields {
        int year = -1, month = -1, day = -1;
        int hour = 0, minute = 0, second = 0;
        int hour12 = -1; // 1 to 12 when read by an h of a 12-hour format
        int pm = -1;     // 0 AM, 1 PM
    };

    std::optional<Pieces> compile(const QString& format) const;
    bool read(const Pieces& pieces, std::string_view text, std::size_t& at, Fields& f) const;
    std::optional<double> fastDays(std::string_view text) const;

    const DateTimeText& times_;
    std::optional<Pieces> date_;
    std::optional<Pieces> time_;
};

} // namespace nullsweep
