// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigValues.h"

#include <charconv>
#include <cmath>
#include <strings.h>

namespace nullsweep {

ConversionError::ConversionError(const std::string& from, const std::string& to)
    : std::runtime_error("Could not convert variant of type (" + from + ") into type (" + to +
                         ")") {}

namespace {

std::string variantType(const std::string& text) {
    return text.empty() ? "Null" : "String";
}

template <class T> bool wholeNumber(const std::string& text, T& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-') ++begin;
    const auto [stop, error] = std::from_chars(begin, end, value);
    return error == std::errc() && stop == end;
}

} // namespace

int IntegerFromText(const std::string& text) {
    int value = 0;
    if (!wholeNumber(text, value)) throw ConversionError(variantType(text), "Integer");
    return value;
}

bool BooleanFromText(const std::string& text) {
    if (::strcasecmp(text.c_str(), "true") == 0) return true;
    if (::strcasecmp(text.c_str(), "false") == 0) return false;
    double number = 0;
    if (text.find_first_of("0123456789") == std::string::npos || !wholeNumber(text, number) ||
        !std::isfinite(number))
        throw ConversionError(variantType(text), "Boolean");
    return number != 0;
}

std::string IntegerText(int value) {
    return std::to_string(value);
}

std::string BooleanText(bool value) {
    return value ? "True" : "False";
}

} // namespace nullsweep
