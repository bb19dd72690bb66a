// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/NumberText.h"

#include "text/TextLocale.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace nullsweep {

std::optional<double> NumberTextValue(std::string_view text, std::string_view decimalSeparator) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // from_chars wants "." as separator and no sign; it is also independent of the C locale,
    // which a Qt application sets from the environment.
    std::string number;
    bool digits = false;
    bool separator = false;
    while (i < n) {
        if (IsAsciiDigit(text[i])) {
            number += text[i++];
            digits = true;
        } else if (!separator && !decimalSeparator.empty() &&
                   text.substr(i).starts_with(decimalSeparator)) {
            if (!digits) number += '0';
            number += '.';
            separator = true;
            i += decimalSeparator.size();
        } else {
            break;
        }
    }
    if (!digits) return std::nullopt;
    if (number.back() == '.') number += '0';
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < n && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        const std::size_t first = j;
        while (j < n && IsAsciiDigit(text[j]))
            exponent += text[j++];
        if (j == first) return std::nullopt;
        number += exponent;
        i = j;
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n) return std::nullopt;

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return negative ? -value : value;
}

bool IsNumber(std::string_view text) {
    return IsNumber(text, TextLocale::System());
}

bool IsNumber(std::string_view text, const TextLocale& locale) {
    return locale.NumberValue(text).has_value();
}

std::string FixedTwoDecimals(double value, std::string_view decimal, std::string_view group) {
    if (!std::isfinite(value)) return {};
    // 18 significant digits: d.ddddddddddddddddde+XX
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
    std::string digits;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (IsAsciiDigit(*p)) digits += *p;
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;

    // Split into integer digits and decimals at the decimal point.
    const int point = exponent + 1; // digits before the point
    std::string whole;
    std::string decimals;
    if (point <= 0) {
        whole = "0";
        decimals = std::string(std::size_t(-point), '0') + digits;
    } else if (point >= int(digits.size())) {
        whole = digits + std::string(std::size_t(point - int(digits.size())), '0');
    } else {
        whole = digits.substr(0, std::size_t(point));
        decimals = digits.substr(std::size_t(point));
    }
    decimals.resize(std::max<std::size_t>(decimals.size(), 3), '0');

    // Half away from zero on the magnitude: the third decimal decides.
    std::string kept = whole + decimals.substr(0, 2);
    if (decimals[2] >= '5') {
        int k = int(kept.size()) - 1;
        for (; k >= 0 && kept[k] == '9'; --k)
            kept[k] = '0';
        if (k >= 0)
            ++kept[k];
        else
            kept.insert(kept.begin(), '1');
    }
    whole = kept.substr(0, kept.size() - 2);
    const std::string cents = kept.substr(kept.size() - 2);
    const std::size_t nonZero = whole.find_first_not_of('0');
    whole = nonZero == std::string::npos ? "0" : whole.substr(nonZero);

    std::string out;
    if (value < 0 && (whole != "0" || cents != "00")) out += '-';
    for (std::size_t k = 0; k < whole.size(); ++k) {
        if (k > 0 && (whole.size() - k) % 3 == 0) out += group;
        out += whole[k];
    }
    out += decimal;
    out += cents;
    return out;
}

} // namespace nullsweep
