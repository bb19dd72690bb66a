// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/GridRows.h"
#include "rows/RowOrder.h"
#include "rows/VirtualTree.h"
#include "scan/ResultRow.h"
#include "support/TestRows.h"

#include <map>
#include <string>
#include <utility>

namespace nullsweep::test {

// A grid of rows for order tests; each node has a name for the test.
struct RowGrid {
    TVirtualStringTree tree;
    std::map<const VirtualNode*, std::string> ids;
    RowGrid() { PrepareRowData(tree); }

    PVirtualNode Add(const std::string& id, TResultRow row = {}, PVirtualNode parent = nullptr) {
        PVirtualNode node = AddRow(tree, parent);
        RowOf(node) = std::move(row);
        ids[node] = id;
        return node;
    }

    // The ids in pre-order, separated by blanks.
    std::string Order() const {
        std::string out;
        for (const VirtualNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
            if (!out.empty()) out += ' ';
            out += ids.at(n);
        }
        return out;
    }

    // A sort one pair at a time through the tree's merge.
    template <typename Compare> void PlainSort(SortOrder direction, Compare&& compare) {
        tree.OnCompareNodes = [&](PVirtualNode a, PVirtualNode b, int, int& result) {
            result = compare(RowOf(a), RowOf(b));
        };
        tree.SortTree(-1, direction);
        tree.OnCompareNodes = nullptr;
    }
    // The plain sort: CompareRows one pair at a time.
    void PlainSort(int field, SortOrder direction) {
        PlainSort(direction, [&](const TResultRow& a, const TResultRow& b) {
            return CompareRows(a, b, direction, field);
        });
    }
};

} // namespace nullsweep::test
