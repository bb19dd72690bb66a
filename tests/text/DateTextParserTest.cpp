// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/DateTextParser.h"

#include "support/TimeFields.h"

#include <gtest/gtest.h>

#include <random>

using namespace nullsweep;

using nullsweep::test::TimeFields;

TEST(DateTextParser, DaysCountFromTheEndOf1899) {
    // An American 12-hour clock; its texts come from the Qt release's locale data.
    const QLocale en("en_US");
    const DateTimeText us(en);
    const DateTextParser parser(us);
    ASSERT_TRUE(parser.HasFastPath());
    const std::string sixAm = us.Format(TimeFields(1900, 1, 1, 6, 0, 0));
    ASSERT_TRUE(QString::fromStdString(sixAm).endsWith(en.amText())) << sixAm;
    std::string midnight = sixAm; // the scan writes midnight as the date alone
    midnight.replace(midnight.find(" 6:"), 3, " 12:");
    EXPECT_EQ(parser.Days("12/30/1899"), 0.0);
    EXPECT_EQ(parser.Days(sixAm), 2.25);
    EXPECT_EQ(parser.Days(us.Format(TimeFields(1900, 1, 1, 12, 0, 0))), 2.5);
    EXPECT_EQ(parser.Days(midnight), 2.0) << midnight;
    EXPECT_FALSE(parser.Days("").has_value());
    EXPECT_FALSE(parser.Days("2/29/2021").has_value());
}

// The compiled pieces must read every text the scan writes, and give QLocale's value for it
// and for texts the scan never writes, in every locale a user may have.
TEST(DateTextParser, AgreesWithQtInManyLocales) {
    for (const char* name : {"C", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "ar_EG", "ko_KR",
                             "zh_CN", "ru_RU", "fa_IR", "hi_IN", "es_MX", "sv_SE", "nl_NL"}) {
        const DateTimeText times{QLocale(name)};
        const DateTextParser parser(times);
        std::mt19937 random(5);
        for (int i = 0; i < 200; ++i) {
            const auto t = TimeFields(1971 + int(random() % 80), 1 + int(random() % 12),
                                      1 + int(random() % 28), i % 5 == 0 ? 0 : int(random() % 24),
                                      int(random() % 60), int(random() % 60));
            const std::string text = times.Format(t);
            const auto days = parser.Days(text);
            ASSERT_TRUE(days.has_value()) << name << ": " << text;
            ASSERT_EQ(days, parser.DaysWithQt(text)) << name << ": " << text;
            // Near misses: a character dropped, doubled or changed.
            const std::size_t at = random() % text.size();
            for (std::string other :
                 {text.substr(0, at) + text.substr(at + 1),
                  text.substr(0, at) + text[at] + text.substr(at), text + " ", "0" + text,
                  text.substr(0, at) + char('0' + random() % 10) + text.substr(at + 1)})
                ASSERT_EQ(parser.Days(other), parser.DaysWithQt(other))
                    << name << ": \"" << other << "\"";
        }
    }
    for (const char* name : {"C", "en_US", "de_DE", "fr_FR", "en_GB"})
        EXPECT_TRUE(DateTextParser(DateTimeText{QLocale(name)}).HasFastPath()) << name;
}
