// SPDX-License-Identifier: GPL-3.0-or-later
// Sorts a grid of synthetic rows (or the rows of a scan of --tree DIR) by file name, size and
// write time (--all: by every field), both directions, through SortRows (the tree's merge with
// prepared keys) and prints each time, the median of --runs (default 3). With --plain it also
// times the pair-by-pair comparison once for reference.
#include "rows/RowOrder.h"
#include "rows/RowSort.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"
#include "text/TextLocale.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

using namespace nullsweep;

namespace {

// Rows like a scan of a home folder gives: paths a few levels deep, names of mixed case with
// shared prefixes and common extensions, sizes spread over many magnitudes, write times over
// ten years.
void fill(TVirtualStringTree& grid, std::size_t count) {
    static const char* const words[] = {"cache",   "Config", "lock",     "README", "index", "tmp",
                                        "Session", "data",   "log",      "thumb",  "empty", "build",
                                        "marker",  "Report", "__init__", "stamp",  ".keep"};
    static const char* const exts[] = {"",   ".txt", ".py",  ".lock",    ".json", ".log",
                                       ".o", ".md",  ".cfg", ".gitkeep", ".dat"};
    std::mt19937_64 random(42);
    std::lognormal_distribution<double> sizes(6.0, 3.0);
    grid.BeginUpdate();
    PrepareRowData(grid);
    std::string folder;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 40 == 0) {
            folder = "/home/user";
            const int depth = 1 + int(random() % 5);
            for (int d = 0; d < depth; ++d)
                folder += std::string("/") + words[random() % std::size(words)] +
                          std::to_string(random() % 50);
            folder += '/';
        }
        std::string name = words[random() % std::size(words)];
        name += std::to_string(random() % 100000);
        name += exts[random() % std::size(exts)];
        const std::string full = folder + name;
        const std::int64_t seconds = 1420070400 + std::int64_t(random() % 315360000);
        RowFacts facts;
        facts.size = static_cast<std::uint64_t>(sizes(random));
        facts.accessed.seconds = seconds;
        facts.written.seconds = seconds;
        facts.identity.birth = seconds;
        facts.identity.hasBirth = 1;
        PVirtualNode node = AddRow(grid, nullptr);
        RowOf(node) = TResultRow(full, name.size(), facts);
    }
    grid.EndUpdate();
}

// The rows back in their first order, so that every sort starts from the same shuffle.
void restore(TVirtualStringTree& grid,
             const std::unordered_map<const VirtualNode*, std::size_t>& order) {
    grid.OnCompareNodes = [&order](PVirtualNode a, PVirtualNode b, int, int& result) {
        result = order.at(a) > order.at(b) ? 1 : -1;
    };
}

} // namespace

int main(int argc, char** argv) {
    std::size_t rows = 1000000;
    bool plain = false, all = false;
    const char* tree = nullptr;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plain") == 0)
            plain = true;
        else if (std::strcmp(argv[i], "--all") == 0)
            all = true;
        else if (std::strcmp(argv[i], "--tree") == 0 && i + 1 < argc)
            tree = argv[++i];
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            rows = std::strtoull(argv[i], nullptr, 10);
    }
    const TextLocale& locale = TextLocale::System();
    TVirtualStringTree grid;
    auto start = std::chrono::steady_clock::now();
    if (tree) {
        grid.BeginUpdate();
        PrepareRowData(grid);
        ScanFolder(grid, tree);
        grid.EndUpdate();
        rows = grid.TotalCount();
    } else {
        fill(grid, rows);
    }
    auto seconds = [](auto from) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
    };
    std::printf("%zu rows built in %.2f s (locale %s)\n", rows, seconds(start),
                locale.Times().Locale().name().toStdString().c_str());

    // Each row's creation order, to undo every sort the same way.
    std::unordered_map<const VirtualNode*, std::size_t> order;
    for (PVirtualNode n = grid.GetFirst(); n; n = grid.GetNext(n))
        order.emplace(n, order.size());
    double nameTime[2] = {0, 0}, writeTime[2] = {0, 0};
    std::vector<FieldId> fields{FieldId::FileName, FieldId::FileSize, FieldId::WriteTime};
    if (all) {
        fields.clear();
        for (int f = 0; f < FieldCount; ++f)
            fields.push_back(FieldId(f));
    }
    double slowest = 0;
    for (FieldId field : fields) {
        for (SortOrder direction : {sdAscending, sdDescending}) {
            std::vector<double> times;
            for (int run = 0; run < runs; ++run) {
                restore(grid, order);
                grid.SortTree(-1, sdAscending);
                start = std::chrono::steady_clock::now();
                SortRows(grid, -1, int(field), direction);
                times.push_back(seconds(start));
            }
            std::sort(times.begin(), times.end());
            const double t = times[times.size() / 2];
            slowest = std::max(slowest, t);
            if (field == FieldId::FileName) nameTime[direction] = t;
            if (field == FieldId::WriteTime) writeTime[direction] = t;
            std::printf("%-12s %-10s %7.3f s\n", std::string(FieldNames[int(field)]).c_str(),
                        direction == sdAscending ? "ascending" : "descending", t);
            if (plain) {
                restore(grid, order);
                grid.SortTree(-1, sdAscending);
                grid.OnCompareNodes = [&](PVirtualNode a, PVirtualNode b, int, int& result) {
                    result = CompareRows(RowOf(a), RowOf(b), direction, int(field));
                };
                start = std::chrono::steady_clock::now();
                grid.SortTree(-1, direction);
                std::printf("%-12s %-10s %7.3f s  pair by pair\n",
                            std::string(FieldNames[int(field)]).c_str(),
                            direction == sdAscending ? "ascending" : "descending", seconds(start));
            }
        }
    }
    std::printf("slowest sort: %.3f s\n", slowest);
    std::printf("Write Time / File Name: ascending %.2f, descending %.2f\n",
                writeTime[0] / nameTime[0], writeTime[1] / nameTime[1]);
    return 0;
}
