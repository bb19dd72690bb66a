// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CorvaneConfig.h"

#include <string>

namespace nullsweep {

// Reads every attribute of every column entry (`node`) that building the grid's columns reads,
// so that a configuration the window would fail on is refused up front. Throws ConfigError:
//   FILE: column N ("NAME"): ATTRIBUTE: REASON
// with N counted from 1. An `Index` beyond the column count is no error.
void CheckColumnEntries(const TXMLConfigType& root, const std::string& fileName);

// The ConfigError above for column entry `node` (number `index` from 0), keeping `reason`.
ConfigError ColumnEntryError(const TXMLNodeType& node, int index, const char* attribute,
                             const std::string& fileName, const std::string& reason);

// read(), whose failure is said as ColumnEntryError says it.
template <class F>
auto ReadColumnEntry(const TXMLNodeType& node, int index, const char* attribute,
                     const std::string& fileName, F&& read) -> decltype(read()) {
    try {
        return read();
    } catch (const std::exception& e) {
        throw ColumnEntryError(node, index, attribute, fileName, e.what());
    }
}

} // namespace nullsweep
