// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/TextLocale.h"

#include "text/NumberText.h"

namespace nullsweep {

TextLocale::TextLocale(const QLocale& locale)
    : decimal_(locale.decimalPoint().toStdString()), group_(locale.groupSeparator().toStdString()),
      times_(locale), dates_(times_) {}

const TextLocale& TextLocale::System() {
    static const TextLocale system(QLocale::system());
    return system;
}

std::optional<double> TextLocale::NumberValue(std::string_view text) const {
    return NumberTextValue(text, decimal_);
}

} // namespace nullsweep
