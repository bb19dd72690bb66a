// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FileRow.h"

#include "scan/Scan.h"

#include <string>

namespace nullsweep {

bool FillFileRow(TResultRow& row, std::string_view folder, std::string_view name,
                 const TFileStatus& status, TKeptFiles& kept, const DateTimeText& times,
                 const TFileIdentity* root) {
    // The texts are gathered in this order; a failure part-way keeps what was gathered in the
    // row.
    std::string texts[6];
    TResultRow::Texts slots{};
    auto commit = [&] { row.Assign(slots); };
    try {
        texts[0] = folder;
        texts[0].append(name);
        slots[TResultRow::FirstFieldSlot + int(TField::FullPath)] = texts[0];
        slots[TResultRow::FirstFieldSlot + int(TField::FileName)] = name;
        texts[1] = std::to_string(status.size);
        slots[TResultRow::FirstFieldSlot + int(TField::FileSize)] = texts[1];
        slots[TResultRow::FirstFieldSlot + int(TField::FileExt)] = FileExtOf(texts[0]);
        slots[TResultRow::FirstFieldSlot + int(TField::FileType)] = "file";
        texts[2] = FileTimeText(status.born, times);
        slots[TResultRow::FirstFieldSlot + int(TField::CreateTime)] = texts[2];
        texts[3] = FileTimeText(status.accessed, times);
        slots[TResultRow::FirstFieldSlot + int(TField::AccessTime)] = texts[3];
        texts[4] = FileTimeText(status.written, times);
        slots[TResultRow::FirstFieldSlot + int(TField::WriteTime)] = texts[4];
    } catch (...) {
        commit();
        throw;
    }
    const std::string_view keptReason = kept.ReasonFor(texts[0], name);
    slots[KeptSlot] = keptReason;
    if (root) {
        TFileIdentity identity = *root;
        identity.device = status.device;
        identity.inode = status.inode;
        texts[5] = IdentityText(identity);
        slots[IdentitySlot] = texts[5];
    }
    commit();
    return !keptReason.empty();
}

} // namespace nullsweep
