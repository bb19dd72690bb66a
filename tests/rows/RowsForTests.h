// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/GridRows.h"
#include "rows/RowOrder.h"
#include "rows/VirtualTree.h"
#include "scan/ResultRow.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace nullsweep::test {

// A grid of rows for order tests; each row carries its name for the test in reserved slot 0.
struct RowGrid {
    TVirtualStringTree tree;
    RowGrid() { PrepareRowData(tree); }

    PVirtualNode Add(const std::string& id,
                     std::initializer_list<std::pair<TField, std::string>> fields,
                     PVirtualNode parent = nullptr) {
        PVirtualNode node = AddRow(tree, parent);
        RowOf(node).SetSlot(0, id);
        for (const auto& [field, text] : fields)
            RowOf(node).SetField(field, text);
        return node;
    }

    // The ids in pre-order, separated by blanks.
    std::string Order() const {
        std::string out;
        for (const TVirtualNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
            if (!out.empty()) out += ' ';
            out += RowOf(n).Slot(0);
        }
        return out;
    }

    // The plain sort: CompareRows one pair at a time through the tree's merge.
    void PlainSort(int field, TSortDirection direction, const TTextLocale& locale) {
        tree.OnCompareNodes = [&](PVirtualNode a, PVirtualNode b, int, int& result) {
            result = CompareRows(RowOf(a), RowOf(b), direction, field, locale);
        };
        tree.SortTree(-1, direction);
        tree.OnCompareNodes = nullptr;
    }
};

} // namespace nullsweep::test
