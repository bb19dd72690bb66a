// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace nullsweep {

// The 19 fields of a result row, in table order. Their names tie column names, cell texts,
// sorting and every export format together.
enum class FieldId : std::uint8_t {
    FileName,
    FullPath,
    FileSize,
    FileExt,
    FileType,
    Description,
    FileNameLength,
    PathNameLength,
    SizePercentage,
    CatalogName,
    CreateTime,
    AccessTime,
    WriteTime,
    DOSName,
    FileCount,
    CreateAgeRange,
    AccessAgeRange,
    WriteAgeRange,
    SizeRange,
};

constexpr int FieldCount = 19;

inline constexpr std::array<std::string_view, FieldCount> FieldNames = {
    "File Name",      "Full Path",        "File Size",        "File Ext",        "File Type",
    "Description",    "File Name Length", "Path Name Length", "Size Percentage", "Catalog Name",
    "Create Time",    "Access Time",      "Write Time",       "DOS Name",        "File Count",
    "CreateAgeRange", "AccessAgeRange",   "WriteAgeRange",    "SizeRange",
};

// Removes every leading and trailing byte whose code is 32 or less.
std::string_view TrimControl(std::string_view text);

// The field a name stands for: trimmed, case-sensitive, a later match wins, no match gives 0.
std::uint8_t FieldIndexOf(std::string_view name);

} // namespace nullsweep
