// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/TreeColumns.h"

#include "rows/VirtualTree.h"

#include <algorithm>

namespace nullsweep {

void VirtualTreeColumn::SetText(std::string text) {
    text_ = std::move(text);
    owner_->changed();
}

void VirtualTreeColumn::SetWidth(int width) {
    width_ = width;
    owner_->changed();
}

void VirtualTreeColumn::SetAlignment(ColumnAlignment alignment) {
    alignment_ = alignment;
    owner_->changed();
}

void VirtualTreeColumn::SetColor(ColumnColor color) {
    color_ = color;
    owner_->changed();
}

void VirtualTreeColumn::SetOptions(std::uint32_t options) {
    options_ = options;
    owner_->changed();
}

std::uint32_t VirtualTreeColumn::Position() const {
    const auto& order = owner_->order_;
    return static_cast<std::uint32_t>(std::find(order.begin(), order.end(), index_) -
                                      order.begin());
}

void VirtualTreeColumn::SetPosition(int position) {
    owner_->move(index_, position);
}

void VTColumns::Clear() {
    columns_.clear();
    order_.clear();
    tree_->SetSortColumn(-1);
    changed();
}

VirtualTreeColumn& VTColumns::Add() {
    const auto index = Count();
    columns_.push_back(std::unique_ptr<VirtualTreeColumn>(new VirtualTreeColumn(this, index)));
    order_.push_back(index);
    changed();
    return *columns_.back();
}

void VTColumns::move(std::uint32_t index, int position) {
    auto from = std::find(order_.begin(), order_.end(), index);
    if (from == order_.end()) return;
    order_.erase(from);
    if (position < 0 || static_cast<std::size_t>(position) >= order_.size() + 1)
        order_.push_back(index);
    else
        order_.insert(order_.begin() + position, index);
    changed();
}

void VTColumns::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && pending_) {
        pending_ = false;
        tree_->columnsChanged();
    }
}

void VTColumns::changed() {
    if (updateCount_ > 0)
        pending_ = true;
    else
        tree_->columnsChanged();
}

} // namespace nullsweep
