// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nullsweep {

enum ColumnAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

enum VTColumnOption : std::uint32_t {
    coAllowClick = 1u << 0,
    coDraggable = 1u << 1,
    coEnabled = 1u << 2,
    coParentColor = 1u << 3,
    coResizable = 1u << 4,
    coShowDropMark = 1u << 5,
    coVisible = 1u << 6,
};

// Colours are kept as the toolkit wrote them: $00BBGGRR.
using ColumnColor = std::uint32_t;
constexpr ColumnColor clInfoBk = 0xFF000018u; // system colour index 24, resolved by the view
constexpr ColumnColor clWindow = 0xFF000005u;
constexpr bool IsSystemColor(ColumnColor c) {
    return (c & 0xFF000000u) != 0;
}

class VTColumns;
class TVirtualStringTree;

// A header column. Its index is its place in creation order; Position is its display place.
class VirtualTreeColumn {
  public:
    std::uint32_t Index() const { return index_; }

    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    int Width() const { return width_; }
    void SetWidth(int width);
    ColumnAlignment Alignment() const { return alignment_; }
    void SetAlignment(ColumnAlignment alignment);
    ColumnColor Color() const { return color_; }
    void SetColor(ColumnColor color);
    std::uint32_t Options() const { return options_; }
    void SetOptions(std::uint32_t options);
    bool Visible() const { return (options_ & coVisible) != 0; }

    std::uint32_t Position() const;
    // Moves the column to `position`, shifting the columns in between by one place; a position
    // at or beyond the column count, or a negative one, puts it last.
    void SetPosition(int position);

  private:
    friend class VTColumns;
    VirtualTreeColumn(VTColumns* owner, std::uint32_t index) : owner_(owner), index_(index) {}
    VTColumns* owner_;
    std::uint32_t index_;
    std::string text_;
    int width_ = 50;
    ColumnAlignment alignment_ = taLeftJustify;
    ColumnColor color_ = clWindow;
    std::uint32_t options_ = coAllowClick | coDraggable | coEnabled | coParentColor | coResizable |
                             coShowDropMark | coVisible;
};

class VTColumns {
  public:
    explicit VTColumns(TVirtualStringTree* tree) : tree_(tree) {}

    // Removes every column and resets the header's sort column to -1.
    void Clear();
    VirtualTreeColumn& Add();
    std::uint32_t Count() const { return static_cast<std::uint32_t>(columns_.size()); }
    VirtualTreeColumn& Items(std::uint32_t index) { return *columns_.at(index); }
    const VirtualTreeColumn& Items(std::uint32_t index) const { return *columns_.at(index); }
    // Column indexes in display order.
    const std::vector<std::uint32_t>& DisplayOrder() const { return order_; }

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

  private:
    friend class VirtualTreeColumn;
    void changed();
    void move(std::uint32_t index, int position);

    TVirtualStringTree* tree_;
    std::vector<std::unique_ptr<VirtualTreeColumn>> columns_;
    std::vector<std::uint32_t> order_;
    int updateCount_ = 0;
    bool pending_ = false;
};

} // namespace nullsweep
