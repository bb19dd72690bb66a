// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/DateTimeText.h"
#include "scan/ExactDelete.h"
#include "scan/KeptFiles.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <string_view>

namespace nullsweep {

// What a row shows and remembers of a file's status.
struct TFileStatus {
    std::uint64_t size = 0;
    std::int64_t born = 0, accessed = 0, written = 0; // seconds; born: birth or status change
    std::uint64_t device = 0, inode = 0;
};

// Fills `row` for the file `name` in the folder `folder` (ending in "/"): its fields, its kept
// reason, and, with `root` (the scan root's part of the identity), its identity for an exact
// delete. Returns true when the file is kept. When making a text fails part-way, the texts
// made so far are stored and the error passes on.
bool FillFileRow(TResultRow& row, std::string_view folder, std::string_view name,
                 const TFileStatus& status, TKeptFiles& kept, const DateTimeText& times,
                 const TFileIdentity* root);

} // namespace nullsweep
