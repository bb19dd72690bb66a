// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/RowSort.h"

#include "grid/RowOrder.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nullsweep {

namespace {

// The keys of one parent's children, looked up by a child's Index. SortTree sorts one parent
// at a time and renumbers Index only after that parent's merge, so during the merge Index
// still names the child's place before the sort and the keys stay valid.
class SortKeys {
  public:
    SortKeys(int sortField, TSortDirection direction, const TTextLocale& locale)
        : field_(sortField < 0 || sortField >= FieldCount ? 0 : sortField),
          rule_(SortRuleOf(static_cast<TField>(field_))), direction_(direction), locale_(locale) {}

    int Compare(PVirtualNode a, PVirtualNode b) {
        if (a->Parent != parent_) prepare(a->Parent);
        const std::uint32_t i = a->Index;
        const std::uint32_t j = b->Index;
        if (b->Parent != parent_ || i >= kinds_.size() || j >= kinds_.size())
            return CompareRows(RowOf(a), RowOf(b), direction_, field_, locale_);
        if (kinds_[i] != kinds_[j]) {
            const int s = direction_ == sdAscending ? -1 : 1;
            return (kinds_[i] & FolderBit) ? s : -s;
        }
        switch (rule_) {
        case TSortRule::Number:
            return values_[i] > values_[j] ? 1 : -1;
        case TSortRule::Date:
            if (states_[i] == Empty) return -1;
            if (states_[j] == Empty) return 1;
            if (states_[i] == NotADate || states_[j] == NotADate) return 1;
            return CompareTimes(values_[i], values_[j]);
        case TSortRule::Kind:
            return 1;
        case TSortRule::Text:
            return CompareText(texts_[i], texts_[j]);
        }
        return 1;
    }

  private:
    static constexpr std::uint32_t FolderBit = 0x80000000u;
    enum DateState : std::uint8_t { Empty, NotADate, Date };

    void prepare(PVirtualNode parent) {
        parent_ = parent;
        const std::size_t n = parent->Children ? parent->Children->Nodes.size() : 0;
        kinds_.assign(n, 0);
        values_.clear();
        states_.clear();
        texts_.clear();
        switch (rule_) {
        case TSortRule::Number:
            values_.assign(n, 0.0);
            break;
        case TSortRule::Date:
            values_.assign(n, 0.0);
            states_.assign(n, Empty);
            break;
        case TSortRule::Kind:
            break;
        case TSortRule::Text:
            texts_.assign(n, {});
            break;
        }
        if (n == 0) return;
        for (PVirtualNode node : parent->Children->Nodes) {
            if (!node || node->Index >= n) continue;
            const TResultRow& row = RowOf(node);
            const std::uint32_t k = node->Index;
            kinds_[k] = kindOf(TrimControl(row.Field(TField::FileType)));
            const std::string_view text = row.Field(field_);
            switch (rule_) {
            case TSortRule::Number:
                values_[k] = locale_.NumberValue(text).value_or(0.0);
                break;
            case TSortRule::Date:
                if (!text.empty()) {
                    const auto days = locale_.DateValue(text);
                    states_[k] = days ? Date : NotADate;
                    values_[k] = days.value_or(0.0);
                }
                break;
            case TSortRule::Kind:
                break;
            case TSortRule::Text:
                texts_[k] = text;
                break;
            }
        }
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
    PVirtualNode parent_ = nullptr;
    std::vector<std::uint32_t> kinds_;
    std::vector<double> values_;
    std::vector<std::uint8_t> states_;
    std::vector<std::string_view> texts_;
    std::unordered_map<std::string_view, std::uint32_t> kindKeys_;
    std::string_view lastKind_;
    std::uint32_t lastKindKey_ = 0;
};

// Puts the grid's comparison back however the sort ends.
class HandlerSwap {
  public:
    HandlerSwap(TVirtualStringTree& grid, decltype(grid.OnCompareNodes) handler)
        : grid_(grid), saved_(std::exchange(grid.OnCompareNodes, std::move(handler))) {}
    ~HandlerSwap() { grid_.OnCompareNodes = std::move(saved_); }
    HandlerSwap(const HandlerSwap&) = delete;
    HandlerSwap& operator=(const HandlerSwap&) = delete;

  private:
    TVirtualStringTree& grid_;
    decltype(grid_.OnCompareNodes) saved_;
};

} // namespace

void SortRows(TVirtualStringTree& grid, int column, int sortField, TSortDirection direction,
              const TTextLocale& locale) {
    if (grid.TotalCount() > 0 && grid.NodeDataSize() != RowDataSize) return; // not rows
    SortKeys keys(sortField, direction, locale);
    HandlerSwap swap(grid, [&keys](PVirtualNode a, PVirtualNode b, int, int& result) {
        result = keys.Compare(a, b);
    });
    grid.SortTree(column, direction, false);
}

} // namespace nullsweep
