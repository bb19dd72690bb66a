// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowSort.h"

#include "rows/MergeSort.h"
#include "rows/RowOrder.h"
#include "rows/TextRanks.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nullsweep {

namespace {

// One parent's children with their keys, sorted by the tree's merge over the keys alone: a
// comparison reads two small records next to each other instead of two rows scattered over the
// whole grid, which is what a sort of a million rows spends its time on otherwise.
class SortKeys {
  public:
    SortKeys(int sortField, TSortDirection direction, const TTextLocale& locale)
        : field_(sortField < 0 || sortField >= FieldCount ? 0 : sortField),
          rule_(SortRuleOf(static_cast<TField>(field_))), direction_(direction), locale_(locale) {}

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
    static constexpr std::uint32_t FolderBit = 0x80000000u;
    enum DateState : std::uint8_t { Empty, NotADate, Date };

    struct Key {
        double value; // the number, the date, or the text's rank
        PVirtualNode node;
        std::uint32_t kind;
        std::uint8_t state;
    };

    // CompareRows's verdict from the keys.
    int compare(const Key& x, const Key& y) const {
        if (x.kind != y.kind) {
            const int s = direction_ == sdAscending ? -1 : 1;
            return (x.kind & FolderBit) ? s : -s;
        }
        switch (rule_) {
        case TSortRule::Number:
            return x.value > y.value ? 1 : -1;
        case TSortRule::Date:
            if (x.state == Empty) return -1;
            if (y.state == Empty) return 1;
            if (x.state == NotADate || y.state == NotADate) return 1;
            return CompareTimes(x.value, y.value);
        case TSortRule::Kind:
            return 1;
        case TSortRule::Text:
            return x.value < y.value ? -1 : x.value > y.value;
        }
        return 1;
    }

    void prepare(std::span<PVirtualNode> nodes) {
        keys_.assign(nodes.size(), Key{});
        std::vector<std::string_view> texts;
        if (rule_ == TSortRule::Text) texts.resize(nodes.size());
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const TResultRow& row = RowOf(nodes[i]);
            Key& key = keys_[i];
            key.node = nodes[i];
            key.kind = kindOf(TrimControl(row.Field(TField::FileType)));
            const std::string_view text = row.Field(field_);
            switch (rule_) {
            case TSortRule::Number:
                key.value = locale_.NumberValue(text).value_or(0.0);
                break;
            case TSortRule::Date:
                key.state = Empty;
                if (const auto days = DaysBeyondText(row, field_)) {
                    key.state = Date;
                    key.value = *days;
                } else if (!text.empty()) {
                    const auto days = locale_.DateValue(text);
                    key.state = days ? Date : NotADate;
                    key.value = days.value_or(0.0);
                }
                break;
            case TSortRule::Kind:
                break;
            case TSortRule::Text:
                texts[i] = text;
                break;
            }
        }
        if (rule_ != TSortRule::Text) return;
        const std::vector<std::uint32_t> ranks = TextRanks(texts);
        for (std::size_t i = 0; i < nodes.size(); ++i)
            keys_[i].value = ranks[i];
    }

    // Equal trimmed kind texts get equal numbers; "folder" carries FolderBit.
    std::uint32_t kindOf(std::string_view kind) {
        if (kind == lastKind_ && lastKindKey_) return lastKindKey_;
        auto [it, added] = kindKeys_.try_emplace(kind, 0);
        if (added)
            it->second = std::uint32_t(kindKeys_.size()) | (kind == "folder" ? FolderBit : 0);
        lastKind_ = kind;
        lastKindKey_ = it->second;
        return it->second;
    }

    const int field_;
    const TSortRule rule_;
    const TSortDirection direction_;
    const TTextLocale& locale_;
    std::vector<Key> keys_;
    std::unordered_map<std::string_view, std::uint32_t> kindKeys_;
    std::string_view lastKind_;
    std::uint32_t lastKindKey_ = 0;
};

} // namespace

void SortRows(TVirtualStringTree& grid, int column, int sortField, TSortDirection direction,
              const TTextLocale& locale) {
    if (grid.TotalCount() > 0 && grid.NodeDataSize() != RowDataSize) return; // not rows
    SortKeys keys(sortField, direction, locale);
    grid.SortTree(column,
                  [&keys](PVirtualNode, std::span<PVirtualNode> nodes) { keys.Sort(nodes); });
}

} // namespace nullsweep
