// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowSort.h"

#include "rows/MergeSort.h"
#include "rows/RowOrder.h"
#include "rows/TextRanks.h"
#include "scan/ResultRow.h"
#include "scan/RowText.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace nullsweep {

namespace {

// One parent's children with their keys, sorted by the tree's merge over the keys alone: a
// comparison reads two small records next to each other instead of two rows scattered over the
// whole grid, which is what a sort of a million rows spends its time on otherwise.
class SortKeys {
  public:
    SortKeys(int sortField, SortOrder direction)
        : field_(static_cast<FieldId>(sortField < 0 || sortField >= FieldCount ? 0 : sortField)),
          rule_(SortRuleOf(field_)), direction_(direction) {}

    void Sort(std::span<PVirtualNode> nodes) {
        prepare(nodes);
        std::vector<Key> scratch(keys_.size() / 2 + 1);
        auto compare = [this](const Key& x, const Key& y) { return this->compare(x, y); };
        TopDownMergeSort(keys_.data(), scratch.data(), keys_.size(), direction_ == sdDescending,
                         compare);
        for (std::size_t i = 0; i < nodes.size(); ++i)
            nodes[i] = keys_[i].node;
    }

  private:
    // Two words, so that a million keys and the merge's scratch stay small.
    struct Key {
        double value; // the number, the date, or the text's rank; NaN for an empty row
        PVirtualNode node;
    };
    static constexpr double NotARow = std::numeric_limits<double>::quiet_NaN();
    static bool empty(const Key& key) { return std::isnan(key.value); }

    // CompareRows's verdict from the keys.
    int compare(const Key& x, const Key& y) const {
        // An empty row is a kind of its own (neither is a folder); two empty rows compare as
        // their empty texts do: -1 for numbers and times, equal texts, +1 for the kind.
        if (empty(x) != empty(y)) return direction_ == sdAscending ? 1 : -1;
        switch (rule_) {
        case SortRule::Number:
            return x.value > y.value ? 1 : -1;
        case SortRule::Date:
            if (empty(x)) return -1;
            return CompareTimes(x.value, y.value);
        case SortRule::Kind:
            return 1;
        case SortRule::Text:
            return x.value < y.value ? -1 : x.value > y.value;
        }
        return 1;
    }

    void prepare(std::span<PVirtualNode> nodes) {
        keys_.assign(nodes.size(), Key{});
        std::vector<std::string_view> texts;
        if (rule_ == SortRule::Text) texts.resize(nodes.size());
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const TResultRow& row = RowOf(nodes[i]);
            Key& key = keys_[i];
            key.node = nodes[i];
            switch (rule_) {
            case SortRule::Number:
                key.value = NumberOf(row, field_);
                break;
            case SortRule::Date:
                key.value = DaysOf(row, field_).value_or(0.0);
                break;
            case SortRule::Kind:
                break;
            case SortRule::Text:
                texts[i] = RowText::HeldText(row, field_);
                break;
            }
            if (row.Empty()) key.value = NotARow;
        }
        if (rule_ != SortRule::Text) return;
        const std::vector<std::uint32_t> ranks = TextRanks(texts);
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (!empty(keys_[i])) keys_[i].value = ranks[i];
    }

    const FieldId field_;
    const SortRule rule_;
    const SortOrder direction_;
    std::vector<Key> keys_;
};

} // namespace

void SortRows(TVirtualStringTree& grid, int column, int sortField, SortOrder direction) {
    if (grid.TotalCount() > 0 && grid.NodeDataSize() != RowDataSize) return; // not rows
    SortKeys keys(sortField, direction);
    grid.SortTree(column,
                  [&keys](PVirtualNode, std::span<PVirtualNode> nodes) { keys.Sort(nodes); });
}

} // namespace nullsweep
