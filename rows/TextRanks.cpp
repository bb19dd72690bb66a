// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/TextRanks.h"

#include <algorithm>
#include <cstddef>

namespace nullsweep {

namespace {

unsigned char folded(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? u - 32 : u;
}

// Bytes [at, at + 8) of the text, a-z folded to A-Z, big-endian, zero past the end. Zero
// padding orders a text before its longer continuations except where they continue with
// zero bytes; those ties are left to the lengths (a shorter text first, as CompareText says).
std::uint64_t chunkAt(std::string_view text, std::size_t at) {
    std::uint64_t chunk = 0;
    for (std::size_t i = at; i < at + 8; ++i)
        chunk = chunk << 8 | (i < text.size() ? folded(text[i]) : 0);
    return chunk;
}

struct Entry {
    std::uint64_t chunk;
    std::uint32_t text;
};

// The length of the folded prefix that the texts of `entries` share, knowing they share `from`
// bytes.
std::size_t sharedPrefix(std::span<const std::string_view> texts, std::span<const Entry> entries,
                         std::size_t from) {
    const std::string_view first = texts[entries[0].text];
    std::size_t shared = first.size();
    for (const Entry& e : entries.subspan(1)) {
        const std::string_view text = texts[e.text];
        shared = std::min(shared, text.size());
        std::size_t i = from;
        while (i < shared && folded(text[i]) == folded(first[i]))
            ++i;
        shared = i;
    }
    return shared;
}

} // namespace

std::vector<std::uint32_t> TextRanks(std::span<const std::string_view> texts) {
    const std::size_t n = texts.size();
    std::vector<std::uint32_t> ranks(n, 0);
    if (n < 2) return ranks;
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i)
        entries[i].text = static_cast<std::uint32_t>(i);
    // starts[i]: entry i is the first of its class of equal texts once the entries are in order.
    std::vector<unsigned char> starts(n, 0);

    struct Group {
        std::size_t begin, end, at; // entries [begin, end) agree on the bytes before `at`
    };
    std::vector<Group> groups{{0, n, sharedPrefix(texts, entries, 0)}};
    while (!groups.empty()) {
        const Group g = groups.back();
        groups.pop_back();
        if (g.end - g.begin == 1) {
            starts[g.begin] = 1;
            continue;
        }
        bool same = true;
        for (std::size_t i = g.begin; i < g.end; ++i) {
            entries[i].chunk = chunkAt(texts[entries[i].text], g.at);
            same = same && entries[i].chunk == entries[g.begin].chunk;
        }
        const std::size_t next = g.at + 8;
        if (same) {
            // Texts that all go on alike (the folders of full paths): skip what they share.
            const std::span<const Entry> group(entries.data() + g.begin, g.end - g.begin);
            const std::size_t shared = sharedPrefix(texts, group, g.at);
            if (shared >= next) {
                groups.push_back({g.begin, g.end, shared});
                continue;
            }
        } else {
            std::sort(entries.begin() + g.begin, entries.begin() + g.end,
                      [](const Entry& a, const Entry& b) { return a.chunk < b.chunk; });
        }
        for (std::size_t run = g.begin; run < g.end;) {
            std::size_t runEnd = run + 1;
            while (runEnd < g.end && entries[runEnd].chunk == entries[run].chunk)
                ++runEnd;
            if (runEnd - run == 1) {
                starts[run] = 1;
                run = runEnd;
                continue;
            }
            // Texts that end within the chunk read come first, shorter first; equal lengths
            // are equal texts. The longer ones go on to the next chunk.
            auto length = [&](const Entry& e) { return texts[e.text].size(); };
            const auto first = entries.begin() + run;
            const auto longer = std::stable_partition(
                first, entries.begin() + runEnd, [&](const Entry& e) { return length(e) <= next; });
            std::sort(first, longer,
                      [&](const Entry& a, const Entry& b) { return length(a) < length(b); });
            for (auto e = first; e != longer; ++e)
                if (e == first || length(*e) != length(*(e - 1))) starts[e - entries.begin()] = 1;
            if (longer != entries.begin() + runEnd)
                groups.push_back({std::size_t(longer - entries.begin()), runEnd, next});
            run = runEnd;
        }
    }
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (starts[i] && i > 0) ++rank;
        ranks[entries[i].text] = rank;
    }
    return ranks;
}

} // namespace nullsweep
