// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FieldNames.h"

#include <array>
#include <string>

namespace nullsweep {

// The export document before it is filled: the declaration and an empty "fileinfo" root that
// names the maker.
std::string ExportDocumentTemplate();

// The attribute name of each field in the export document: its name without blanks.
const std::array<std::string, FieldCount>& XmlAttributeNames();

} // namespace nullsweep
