// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FieldNames.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace nullsweep {

// The record behind one grid row: 27 byte-string slots; slot 8 + i holds field i, slots 0 to 7
// are reserved. An unset slot reads empty. A million rows must fit in little memory, so the
// texts live packed in one owned block: each set slot as (slot, length, bytes), and a text that
// ends another, longer slot's text (the file name ends the full path) stored as a reference.
// An all-zero TResultRow is a valid empty row, which is what a node's zero-filled data holds.
class TResultRow {
  public:
    static constexpr int SlotCount = 27;
    static constexpr int FirstFieldSlot = 8;
    using Texts = std::array<std::string_view, SlotCount>;
    // For each slot, the slot whose (longer) text ends with its own, or -1.
    using Sources = std::array<std::int8_t, SlotCount>;

    TResultRow() = default;
    ~TResultRow();
    TResultRow(const TResultRow& other);
    TResultRow& operator=(const TResultRow& other);
    TResultRow(TResultRow&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    TResultRow& operator=(TResultRow&& other) noexcept;

    // The view stays valid until the row is changed or destroyed.
    std::string_view Slot(int slot) const;
    void SetSlot(int slot, std::string_view text);
    std::string_view Field(TField field) const { return Slot(FirstFieldSlot + int(field)); }
    std::string_view Field(int fieldIndex) const { return Slot(FirstFieldSlot + fieldIndex); }
    void SetField(TField field, std::string_view text) {
        SetSlot(FirstFieldSlot + int(field), text);
    }

    // Every slot at once (one packing instead of one per slot).
    Texts AllSlots() const;
    void Assign(const Texts& texts);
    // The same where the caller knows which texts end others (a source that does not hold
    // such a text is not used).
    void Assign(const Texts& texts, const Sources& sources);

  private:
    unsigned char* block_ = nullptr;
};

} // namespace nullsweep
