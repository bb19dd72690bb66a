// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/DateTextParser.h"
#include "text/DateTimeText.h"

#include <QLocale>

#include <optional>
#include <string>
#include <string_view>

namespace nullsweep {

// The user's conventions that cell texts and row comparisons follow: the decimal and group
// separators of numbers, and the date-time texts the scan writes. Tests pass a locale of their
// own; the program uses the system's.
class TextLocale {
  public:
    explicit TextLocale(const QLocale& locale);
    TextLocale(const TextLocale&) = delete;
    TextLocale& operator=(const TextLocale&) = delete;
    // The process's locale, built on first use.
    static const TextLocale& System();

    const std::string& DecimalSeparator() const { return decimal_; }
    const std::string& GroupSeparator() const { return group_; }
    const DateTimeText& Times() const { return times_; }

    // A number text's value (NumberTextValue with this locale's decimal separator).
    std::optional<double> NumberValue(std::string_view text) const;
    // A date-time text's value in days (DateTextParser).
    std::optional<double> DateValue(std::string_view text) const { return dates_.Days(text); }

  private:
    std::string decimal_;
    std::string group_;
    DateTimeText times_;
    DateTextParser dates_;
};

} // namespace nullsweep
