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
// still names the child's place before the sort and the keys stay valid. A row's whole key
// sits in one small record, so a comparison touches one cache line per row.
class SortKeys {
  public:
    SortKeys(int sortField, TSortDirection direction, const TTextLocale& locale)
        : field_(sortField < 0 || sortField >= FieldCount ? 0 : sortField),
          rule_(SortRuleOf(static_cast<TField>(field_))), direction_(direction), locale_(locale) {}

    int Compare(PVirtualNode a, PVirtualNode b) {
        if (a->Parent != parent_) prepare(a->Parent);
        if (b->Parent != parent_ || a->Index >= keys_.size() || b->Index >= keys_.size())
            return CompareRows(RowOf(a), RowOf(b), direction_, field_, locale_);
        const Key& x = keys_[a->Index];
        const Key& y = keys_[b->Index];
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
            // Differing prefixes decide as the whole texts would (see setPrefix); equal ones
            // of texts that fit in them leave the lengths to decide.
            if (x.prefix[0] != y.prefix[0]) return x.prefix[0] < y.prefix[0] ? -1 : 1;
            if (x.prefix[1] != y.prefix[1]) return x.prefix[1] < y.prefix[1] ? -1 : 1;
            if (x.text.size() <= PrefixBytes && y.text.size() <= PrefixBytes)
                return x.text.size() < y.text.size() ? -1 : x.text.size() > y.text.size();
            return CompareText(x.text, y.text);
        }
        return 1;
    }

  private:
    static constexpr std::uint32_t FolderBit = 0x80000000u;
    enum DateState : std::uint8_t { Empty, NotADate, Date };

    static constexpr std::size_t PrefixBytes = 16;

    struct Key {
        union {
            double value;            // Number and Date
            std::uint64_t prefix[2]; // Text
        };
        std::string_view text;
        std::uint32_t kind;
        std::uint8_t state;
    };

    // The first 16 bytes, a-z folded to A-Z, big-endian, zero-padded. Where two prefixes
    // differ, the first difference is either a real byte difference (CompareText's verdict)
    // or the end of the shorter text against a non-zero byte (the shorter text first, as
    // CompareText says too). Most names fit, so the rows' own texts are seldom read.
    static void setPrefix(Key& key, std::string_view text) {
        for (std::size_t half = 0; half < 2; ++half) {
            std::uint64_t prefix = 0;
            for (std::size_t i = half * 8; i < half * 8 + 8; ++i) {
                unsigned c = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
                if (c >= 'a' && c <= 'z') c -= 32;
                prefix = prefix << 8 | c;
            }
            key.prefix[half] = prefix;
        }
    }

    void prepare(PVirtualNode parent) {
        parent_ = parent;
        const std::size_t n = parent->Children ? parent->Children->Nodes.size() : 0;
        keys_.assign(n, Key{});
        if (n == 0) return;
        for (PVirtualNode node : parent->Children->Nodes) {
            if (!node || node->Index >= n) continue;
            const TResultRow& row = RowOf(node);
            Key& key = keys_[node->Index];
            key.kind = kindOf(TrimControl(row.Field(TField::FileType)));
            const std::string_view text = row.Field(field_);
            switch (rule_) {
            case TSortRule::Number:
                key.value = locale_.NumberValue(text).value_or(0.0);
                break;
            case TSortRule::Date:
                key.value = 0.0;
                key.state = Empty;
                if (!text.empty()) {
                    const auto days = locale_.DateValue(text);
                    key.state = days ? Date : NotADate;
                    key.value = days.value_or(0.0);
                }
                break;
            case TSortRule::Kind:
                break;
            case TSortRule::Text:
                setPrefix(key, text);
                key.text = text;
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
    std::vector<Key> keys_;
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
