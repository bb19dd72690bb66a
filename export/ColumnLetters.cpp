// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ColumnLetters.h"

#include "text/NumberText.h"
#include "text/TextLocale.h"

#include <algorithm>
#include <cmath>

namespace nullsweep {

std::string ColumnLetters(std::string_view text) {
    if (!IsNumber(text)) return std::string(text);
    std::optional<double> value = TextLocale::System().NumberValue(text);
    // Beyond 2^53 a double no longer tells whole numbers apart.
    if (!value || *value < 1 || *value > 9007199254740992.0 || std::floor(*value) != *value)
        return std::string(text);
    // Letters count from A = 1 with no zero digit: Z is 26, AA 27.
    auto number = static_cast<unsigned long long>(*value);
    std::string letters;
    while (number > 0) {
        --number;
        letters.push_back(char('A' + number % 26));
        number /= 26;
    }
    std::reverse(letters.begin(), letters.end());
    return letters;
}

} // namespace nullsweep
