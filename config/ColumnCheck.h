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

} // namespace nullsweep
