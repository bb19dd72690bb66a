// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

#include "text/FormatPieces.h"

#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QDateTime;

namespace nullsweep {

// The locale's texts for file times: its short date format with a four-digit year, then one
// blank and its long time format without a time-zone part, the time left out at 00:00:00.
// Rendering is on the scan's hot path: date texts are kept per day, and the time format is
// compiled once into pieces; a time format with something the pieces do not know falls back to
// QLocale, whose text the pieces reproduce exactly.
class DateTimeText {
  public:
    explicit DateTimeText(const QLocale& locale);
    // The process's locale, built on first use.
    static const DateTimeText& System();

    const QLocale& Locale() const { return locale_; }
    const QString& DateFormat() const { return dateFormat_; }
    const QString& TimeFormat() const { return timeFormat_; }

    // Local calendar fields (as localtime_r gives them) as text. Safe to call from several
    // threads, as are the two parts below.
    std::string Format(const std::tm& local) const;
    // The date part alone, and the time part appended to `out`.
    std::string DateText(const std::tm& local) const;
    void AppendTimeText(const std::tm& local, std::string& out) const;
    // Text back to a local date and time; nothing when it is no such text.
    std::optional<QDateTime> Parse(const std::string& text) const;

    static QString ShortDateFormat(const QLocale& locale);
    static QString LongTimeFormat(const QLocale& locale);

  private:
    QLocale locale_;
    QString dateFormat_;
    QString timeFormat_;
    std::optional<FormatPieces> timePieces_;
    // Many files share a day: date texts are kept per day.
    mutable std::mutex mutex_; // guards dates_ and QLocale's own use
    mutable std::unordered_map<int, std::string> dates_;
};

// A file-system time stamp (seconds since the epoch, UTC) as local date-time text, under the
// time-zone rules in force at the stamp. Throws std::runtime_error when it cannot be converted.
std::string FileTimeText(std::int64_t seconds, const DateTimeText& format = DateTimeText::System());

} // namespace nullsweep
