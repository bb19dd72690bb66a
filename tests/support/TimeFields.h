// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>

namespace nullsweep::test {

// Broken-down time fields as a person writes them: a four-digit year and months from 1.
inline std::tm TimeFields(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

} // namespace nullsweep::test
