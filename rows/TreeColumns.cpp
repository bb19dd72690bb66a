// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/TreeColumns.h"

#include "rows/VirtualTree.h"

#include <algorithm>

namespace nullsweep {

void TVirtualTreeColumn::SetText(std::string text) {
    text_ = std::move(text);
    owner_->changed();
}

void TVirtualTreeColumn::SetWidth(int width) {
    width_ = width;
    owner_->changed();
}

void TVirtualTreeColumn::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    owner_->changed();
}

void TVirtualTreeColumn::SetColor(TColor color) {
    color_ = color;
    owner_->changed();
}

void TVirtualTreeColumn::SetOptions(std::uint32_t options) {
    options_ = options;
    owner_->changed();
}

std::uint32_t TVirtualTreeColumn::Position() const {
    const auto& order = owner_->order_;
    return static_cast<std::uint32_t>(std::find(order.begin(), order.end(), index_) -
                                      order.begin());
}

void TVirtualTreeColumn::SetPosition(int position) {
    owner_->move(index_, position);
}

void TVTColumns::Clear() {
    columns_.clear();
    order_.clear();
    tree_->SetSortColumn(-1);
    changed();
}

TVirtualTreeColumn& TVTColumns::Add() {
    const auto index = Count();
    columns_.push_back(std::unique_ptr<TVirtualTreeColumn>(new TVirtualTreeColumn(this, index)));
    order_.push_back(index);
    changed();
    return *columns_.back();
}

void TVTColumns::move(std::uint32_t index, int position) {
    auto from = std::find(order_.begin(), order_.end(), index);
    if (from == order_.end()) return;
    order_.erase(from);
    if (position < 0 || static_cast<std::size_t>(position) >= order_.size() + 1)
        order_.push_back(index);
    else
        order_.insert(order_.begin() + position, index);
    changed();
}

void TVTColumns::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && pending_) {
        pending_ = false;
        tree_->columnsChanged();
    }
}

void TVTColumns::changed() {
    if (updateCount_ > 0)
        pending_ = true;
    else
        tree_->columnsChanged();
}

} // namespace nullsweep
