// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/DateTimeText.h"

#include "support/TimeFields.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace nullsweep;

using nullsweep::test::TimeFields;

TEST(DateTimeText, FormatsUseAFourDigitYearAndNoTimeZone) {
    // The American clock's texts come from the Qt release's locale data (newer data puts
    // U+202F before "PM"): only what every release agrees on is pinned.
    const QLocale en("en_US");
    const QString text =
        QString::fromStdString(DateTimeText(en).Format(TimeFields(2021, 3, 4, 15, 6, 7)));
    EXPECT_TRUE(text.startsWith("3/4/2021 3:06:07")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(en.pmText())) << text.toStdString();
    EXPECT_TRUE(text.mid(16, text.size() - 16 - en.pmText().size()).trimmed().isEmpty())
        << "nothing but a blank between the seconds and " << en.pmText().toStdString();
    const DateTimeText de(QLocale("de_DE"));
    EXPECT_EQ(de.DateFormat().toStdString(), "dd.MM.yyyy");
    EXPECT_EQ(de.TimeFormat().toStdString(), "HH:mm:ss");
    EXPECT_EQ(de.Format(TimeFields(2021, 3, 4, 15, 6, 7)), "04.03.2021 15:06:07");
}

TEST(DateTimeText, MidnightShowsTheDateAlone) {
    const DateTimeText de(QLocale("de_DE"));
    EXPECT_EQ(de.Format(TimeFields(2020, 1, 31, 0, 0, 0)), "31.01.2020");
    EXPECT_EQ(de.Format(TimeFields(2020, 1, 31, 0, 0, 1)), "31.01.2020 00:00:01");
}

namespace {

// The text through QLocale alone: the reference the compiled time pieces must match.
std::string qtText(const DateTimeText& text, const std::tm& t) {
    const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    QString out = text.Locale().toString(date, text.DateFormat());
    if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0)
        out +=
            u' ' + text.Locale().toString(QTime(t.tm_hour, t.tm_min, t.tm_sec), text.TimeFormat());
    return out.toStdString();
}

} // namespace

// The compiled time pieces must give QLocale's own text, and every text must parse back to
// the same second, in every locale a user may have.
TEST(DateTimeText, MatchesQtAndParsesBackInManyLocales) {
    for (const char* name : {"C", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "ar_EG", "ko_KR",
                             "zh_CN", "ru_RU", "fa_IR", "hi_IN", "es_MX", "sv_SE"}) {
        const DateTimeText text{QLocale(name)};
        std::srand(7);
        for (int i = 0; i < 300; ++i) {
            const auto t =
                TimeFields(1971 + std::rand() % 80, 1 + std::rand() % 12, 1 + std::rand() % 28,
                           i % 7 == 0 ? 0 : std::rand() % 24, std::rand() % 60, std::rand() % 60);
            const std::string s = text.Format(t);
            ASSERT_EQ(s, qtText(text, t)) << name;
            const auto back = text.Parse(s);
            ASSERT_TRUE(back.has_value()) << name << ": " << s;
            const QDateTime expected(QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday),
                                     QTime(t.tm_hour, t.tm_min, t.tm_sec));
            ASSERT_EQ(*back, expected) << name << ": " << s;
        }
    }
}

TEST(FileTimeText, UsesTheRulesInForceAtTheStamp) {
    const DateTimeText c{QLocale::c()};
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    // Winter (UTC+1) and summer (UTC+2) stamps, both at 12:00 UTC.
    EXPECT_EQ(FileTimeText(1610712000, c), "15 Jan 2021 13:00:00");
    EXPECT_EQ(FileTimeText(1626350400, c), "15 Jul 2021 14:00:00");
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(FileTimeText(1610668800, c), "15 Jan 2021");
}
