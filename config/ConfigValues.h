// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace nullsweep {

// An attribute text that is no value of the wanted type. The message reads
// "Could not convert variant of type (FROM) into type (TO)": FROM is "Null" for an absent or
// empty text and "String" for any other; TO is "Integer" or "Boolean".
class ConversionError : public std::runtime_error {
  public:
    ConversionError(const std::string& from, const std::string& to);
};

// A 32-bit signed integer in decimal digits, with an optional sign; nothing else around it.
int IntegerFromText(const std::string& text);
// "True" or "False" in any letter case, or a decimal number, true when it is not zero.
bool BooleanFromText(const std::string& text);

std::string IntegerText(int value);
// "True" or "False".
std::string BooleanText(bool value);

} // namespace nullsweep
