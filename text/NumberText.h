// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nullsweep {

class TextLocale;

// An ASCII digit, whatever the C locale says of other bytes.
constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a number text: optional blanks, an optional sign, digits with at most one
// `decimalSeparator` (a UTF-8 text, e.g. "." or ","), an optional exponent (E or e, optional
// sign, digits), optional blanks. Group separators are not accepted. Nothing for any other text,
// the empty text included, and for a value beyond the range of a double.
std::optional<double> NumberTextValue(std::string_view text, std::string_view decimalSeparator);

// True when `text` is a number text in the locale (the system's by default).
bool IsNumber(std::string_view text);
bool IsNumber(std::string_view text, const TextLocale& locale);

// `value` in fixed-point form with exactly two decimals: first rounded to 18 significant digits,
// then to two decimals with a half going away from zero; `group` between groups of three integer
// digits, `decimal` before the decimals, a minus sign in front of a negative value that does not
// round to zero. Empty for an infinite or NaN value.
std::string FixedTwoDecimals(double value, std::string_view decimal, std::string_view group);

} // namespace nullsweep
