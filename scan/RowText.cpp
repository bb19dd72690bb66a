// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/RowText.h"

#include "scan/Scan.h"

#include <charconv>
#include <chrono>
#include <ctime>

namespace nullsweep {

namespace {

// Room for the date texts of about eleven years, each day in a slot of its own.
constexpr std::size_t DaySlots = 4096;

constexpr std::tm FirstShownTime = [] {
    std::tm t{};
    t.tm_year = 1 - 1900;
    t.tm_mday = 1;
    return t;
}();
constexpr std::tm LastShownTime = [] {
    std::tm t{};
    t.tm_year = 9999 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    return t;
}();

// The local calendar fields of a stamp; false when the texts cannot show it (their years have
// four digits; 2^62 seconds is beyond even the calendar).
bool shownLocal(std::int64_t seconds, std::tm& local) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &local) && local.tm_year >= 1 - 1900 && local.tm_year <= 9999 - 1900;
}

} // namespace

double ShownDays(std::int64_t seconds) {
    std::tm local{};
    if (!shownLocal(seconds, local)) return double(seconds) / 86400.0 + 25569.0;
    using namespace std::chrono;
    const year_month_day date{year(local.tm_year + 1900), month(unsigned(local.tm_mon + 1)),
                              day(unsigned(local.tm_mday))};
    // Day 0 is 1899-12-30, 25569 days before 1970-01-01.
    const auto day = sys_days(date).time_since_epoch().count() + 25569;
    const int secondOfDay = (local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec;
    return double(day) + double(secondOfDay * 1000) / 86400000.0;
}

RowText::RowText(const DateTimeText& times) : times_(times) {}

std::string_view RowText::TimeText(std::int64_t seconds) {
    return timeText(seconds, other_);
}

std::string_view RowText::timeText(std::int64_t seconds, LastTime& last) {
    if (last.known && last.seconds == seconds) return last.text;
    std::tm local{};
    if (!shownLocal(seconds, local)) local = seconds < 0 ? FirstShownTime : LastShownTime;
    if (days_.empty()) days_.resize(DaySlots);
    const std::int64_t key =
        std::int64_t(local.tm_year) * 372 + local.tm_mon * 31 + local.tm_mday - 1;
    Day& day = days_[std::size_t(key) % DaySlots];
    if (day.key != key) {
        day.text = times_.DateText(local);
        day.key = key;
    }
    last.known = false; // until the text is whole
    last.text = day.text;
    if (local.tm_hour != 0 || local.tm_min != 0 || local.tm_sec != 0) {
        last.text += ' ';
        times_.AppendTimeText(local, last.text);
    }
    last.seconds = seconds;
    last.known = true;
    return last.text;
}

std::string_view RowText::Field(const TResultRow& row, int fieldIndex) {
    if (fieldIndex < 0 || fieldIndex >= FieldCount) return {};
    return Field(row, static_cast<FieldId>(fieldIndex));
}

std::string_view RowText::HeldText(const TResultRow& row, FieldId field) {
    if (row.Empty()) return {};
    if (field == FieldId::FileName) return row.Name();
    if (field == FieldId::FullPath) return row.Path();
    if (field == FieldId::FileExt) return FileExtOf(row.Path());
    if (field == FieldId::FileType) return "file";
    return {};
}

std::string_view RowText::Field(const TResultRow& row, FieldId field) {
    if (row.Empty()) return {};
    switch (field) {
    case FieldId::FileName:
    case FieldId::FullPath:
    case FieldId::FileExt:
    case FieldId::FileType:
        return HeldText(row, field);
    case FieldId::FileSize: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, row.Size()).ptr;
        text_.assign(digits, end);
        return text_;
    }
    case FieldId::CreateTime:
        return timeText(row.Created().seconds, created_);
    case FieldId::AccessTime:
        return timeText(row.Accessed().seconds, accessed_);
    case FieldId::WriteTime:
        return timeText(row.Written().seconds, written_);
    case FieldId::Description:
    case FieldId::FileNameLength:
    case FieldId::PathNameLength:
    case FieldId::SizePercentage:
    case FieldId::CatalogName:
    case FieldId::DOSName:
    case FieldId::FileCount:
    case FieldId::CreateAgeRange:
    case FieldId::AccessAgeRange:
    case FieldId::WriteAgeRange:
    case FieldId::SizeRange:
        return {};
    }
    return {};
}

} // namespace nullsweep
