// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ResultRow.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace nullsweep {

// Block layout: one byte with the entry count, then per set slot either
//   slot, varint length, bytes                    (a text of its own)
//   slot | 0x80, source slot, varint length       (the last `length` bytes of the source's text)
namespace {

constexpr unsigned char AliasBit = 0x80;

std::size_t putVarint(unsigned char* out, std::size_t value) {
    std::size_t n = 0;
    do {
        unsigned char byte = value & 0x7F;
        value >>= 7;
        if (value) byte |= 0x80;
        if (out) out[n] = byte;
        ++n;
    } while (value);
    return n;
}

std::size_t getVarint(const unsigned char*& in) {
    std::size_t value = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char byte = *in++;
        value |= std::size_t(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return value;
    }
}

struct Entry {
    int slot;
    int source; // -1: own text
    std::size_t length;
    const unsigned char* bytes; // own text only
};

template <typename Visit> void forEachEntry(const unsigned char* block, Visit&& visit) {
    if (!block) return;
    const unsigned char* p = block;
    const int count = *p++;
    for (int i = 0; i < count; ++i) {
        Entry e{};
        const unsigned char tag = *p++;
        e.slot = tag & ~AliasBit;
        if (tag & AliasBit) {
            e.source = *p++;
            e.length = getVarint(p);
        } else {
            e.source = -1;
            e.length = getVarint(p);
            e.bytes = p;
            p += e.length;
        }
        if (!visit(e)) return;
    }
}

std::size_t blockSize(const unsigned char* block) {
    if (!block) return 0;
    std::size_t size = 1;
    forEachEntry(block, [&](const Entry& e) {
        size += 1 + putVarint(nullptr, e.length) + (e.source >= 0 ? 1 : e.length);
        return true;
    });
    return size;
}

unsigned char* copyBlock(const unsigned char* block) {
    if (!block) return nullptr;
    const std::size_t size = blockSize(block);
    auto* copy = static_cast<unsigned char*>(::operator new(size));
    std::memcpy(copy, block, size);
    return copy;
}

// For each slot, the slot whose text it can be stored as the end of (the longest such text,
// which is never itself a reference), or -1.
TResultRow::Sources findSources(const TResultRow::Texts& texts) {
    TResultRow::Sources source;
    source.fill(-1);
    std::array<int, TResultRow::SlotCount> set;
    int setCount = 0;
    for (int s = 0; s < TResultRow::SlotCount; ++s)
        if (!texts[s].empty()) set[setCount++] = s;
    for (int i = 0; i < setCount; ++i) {
        const auto t = texts[set[i]];
        std::size_t best = t.size();
        for (int j = 0; j < setCount; ++j) {
            const auto u = texts[set[j]];
            if (u.size() > best && u.ends_with(t)) {
                best = u.size();
                source[set[i]] = static_cast<std::int8_t>(set[j]);
            }
        }
    }
    return source;
}

} // namespace

TResultRow::~TResultRow() {
    ::operator delete(block_);
}

TResultRow::TResultRow(const TResultRow& other) : block_(copyBlock(other.block_)) {}

TResultRow& TResultRow::operator=(const TResultRow& other) {
    if (this != &other) {
        unsigned char* copy = copyBlock(other.block_);
        ::operator delete(block_);
        block_ = copy;
    }
    return *this;
}

TResultRow& TResultRow::operator=(TResultRow&& other) noexcept {
    if (this != &other) {
        ::operator delete(block_);
        block_ = other.block_;
        other.block_ = nullptr;
    }
    return *this;
}

TResultRow::Texts TResultRow::AllSlots() const {
    Texts texts{};
    std::array<Entry, SlotCount> aliases{};
    int aliasCount = 0;
    forEachEntry(block_, [&](const Entry& e) {
        if (e.source < 0)
            texts[e.slot] = {reinterpret_cast<const char*>(e.bytes), e.length};
        else
            aliases[aliasCount++] = e;
        return true;
    });
    for (int i = 0; i < aliasCount; ++i) {
        const auto& source = texts[aliases[i].source];
        texts[aliases[i].slot] = source.substr(source.size() - aliases[i].length);
    }
    return texts;
}

std::string_view TResultRow::Slot(int slot) const {
    if (slot < 0 || slot >= SlotCount) throw std::out_of_range("slot " + std::to_string(slot));
    Entry found{-1, -1, 0, nullptr};
    forEachEntry(block_, [&](const Entry& e) {
        if (e.slot != slot) return true;
        found = e;
        return false;
    });
    if (found.slot < 0) return {};
    if (found.source < 0) return {reinterpret_cast<const char*>(found.bytes), found.length};
    const auto source = Slot(found.source);
    return source.substr(source.size() - found.length);
}

void TResultRow::SetSlot(int slot, std::string_view text) {
    if (slot < 0 || slot >= SlotCount) throw std::out_of_range("slot " + std::to_string(slot));
    Texts texts = AllSlots();
    texts[slot] = text;
    Assign(texts);
}

void TResultRow::Assign(const Texts& texts) {
    Assign(texts, findSources(texts));
}

void TResultRow::Assign(const Texts& texts, const Sources& given) {
    Sources source = given;
    for (int s = 0; s < SlotCount; ++s) {
        const int from = source[s];
        if (from < 0) continue;
        if (from >= SlotCount || given[from] >= 0 || texts[from].size() <= texts[s].size() ||
            !texts[from].ends_with(texts[s]))
            source[s] = -1;
    }
    std::size_t size = 1;
    int count = 0;
    for (int s = 0; s < SlotCount; ++s) {
        if (texts[s].empty()) continue;
        ++count;
        size += 1 + putVarint(nullptr, texts[s].size()) + (source[s] >= 0 ? 1 : texts[s].size());
    }
    unsigned char* block = nullptr;
    if (count > 0) {
        block = static_cast<unsigned char*>(::operator new(size));
        unsigned char* p = block;
        *p++ = static_cast<unsigned char>(count);
        for (int s = 0; s < SlotCount; ++s) {
            const auto t = texts[s];
            if (t.empty()) continue;
            if (source[s] >= 0) {
                *p++ = static_cast<unsigned char>(s) | AliasBit;
                *p++ = static_cast<unsigned char>(source[s]);
                p += putVarint(p, t.size());
            } else {
                *p++ = static_cast<unsigned char>(s);
                p += putVarint(p, t.size());
                std::memcpy(p, t.data(), t.size());
                p += t.size();
            }
        }
    }
    // `texts` may point into the old block: free it only now.
    ::operator delete(block_);
    block_ = block;
}

} // namespace nullsweep
