// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ResultRow.h"

#include <sys/sysmacros.h>

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace nullsweep {

// The facts, then the path's bytes and the kept reason's, in one allocation. A million rows
// are held at once, so the usual facts take their short form: a time in 8 bytes (seconds within
// 272 years of 1970, nanoseconds), the device as the kernel numbers it (a 12-bit major, a 20-bit
// minor) and no size (every listed file is empty). A row with a fact beyond that form holds all
// its facts in full (`Wide`) between the head and the path.
struct TResultRow::Block {
    std::uint64_t inode;
    std::uint64_t times[4]; // accessed, written, birth, changed: seconds << 30 | nanoseconds
    std::uint32_t root, prefixLength;
    std::uint32_t device; // major << 20 | minor
    std::uint32_t pathLength, keptLength;
    std::uint16_t nameLength;
    std::uint8_t flags;

    static constexpr std::uint8_t HasBirth = 1, IsWide = 2;
    struct Wide {
        std::uint64_t size, device;
        std::int64_t seconds[4];
        std::uint32_t nanoseconds[4];
    };

    bool wide() const { return flags & IsWide; }
    const Wide& full() const { return *reinterpret_cast<const Wide*>(this + 1); }
    Wide& full() { return *reinterpret_cast<Wide*>(this + 1); }
    std::size_t head() const { return sizeof(Block) + (wide() ? sizeof(Wide) : 0); }
    char* bytes() { return reinterpret_cast<char*>(this) + head(); }
    const char* bytes() const { return reinterpret_cast<const char*>(this) + head(); }
    std::size_t total() const { return head() + pathLength + keptLength; }

    FileTime time(int which) const {
        if (wide()) return {full().seconds[which], full().nanoseconds[which]};
        return {static_cast<std::int64_t>(times[which]) >> 30,
                static_cast<std::uint32_t>(times[which] & NanosecondMask)};
    }
    static constexpr std::uint64_t NanosecondMask = (std::uint64_t(1) << 30) - 1;
};

namespace {

using Block = TResultRow::Block;
enum TimeSlot { AccessedSlot, WrittenSlot, BirthSlot, ChangedSlot };

constexpr std::int64_t ShortSecondsLimit = std::int64_t(1) << 33;

bool fitsShort(const FileTime& t) {
    return t.seconds >= -ShortSecondsLimit && t.seconds < ShortSecondsLimit &&
           t.nanoseconds <= Block::NanosecondMask;
}

std::uint64_t shortTime(const FileTime& t) {
    return (static_cast<std::uint64_t>(t.seconds) << 30) | t.nanoseconds;
}

std::uint32_t shortDevice(std::uint64_t device) {
    return static_cast<std::uint32_t>((::major(device) << 20) | ::minor(device));
}

std::uint64_t deviceOf(std::uint32_t shortForm) {
    return ::makedev(shortForm >> 20, shortForm & 0xFFFFF);
}

// Any device the kernel numbers fits (its majors have 12 bits, its minors 20).
bool fitsShort(std::uint64_t device) {
    return deviceOf(shortDevice(device)) == device;
}

Block* copyOf(const Block* block) {
    if (!block) return nullptr;
    Block* copy = static_cast<Block*>(::operator new(block->total()));
    std::memcpy(static_cast<void*>(copy), block, block->total());
    return copy;
}

std::uint32_t length32(std::size_t size, const char* what) {
    if (size > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error(std::string(what) + " too long for a row");
    return static_cast<std::uint32_t>(size);
}

} // namespace

TResultRow::TResultRow(std::string_view path, std::size_t nameLength, const RowFacts& facts,
                       std::string_view keptReason) {
    if (nameLength > path.size() || nameLength > std::numeric_limits<std::uint16_t>::max())
        throw std::length_error("file name longer than its path or than a name can be");
    const std::uint32_t pathLength = length32(path.size(), "path");
    const std::uint32_t keptLength = length32(keptReason.size(), "kept reason");
    const FileIdentity& id = facts.identity;
    const FileTime times[4] = {facts.accessed,
                               facts.written,
                               {id.birth, id.birthNanoseconds},
                               {id.changed, id.changedNanoseconds}};
    bool wide = facts.size != 0 || !fitsShort(id.device);
    for (const FileTime& t : times)
        wide = wide || !fitsShort(t);
    const std::size_t head = sizeof(Block) + (wide ? sizeof(Block::Wide) : 0);
    auto* b = static_cast<Block*>(::operator new(head + std::size_t(pathLength) + keptLength));
    b->inode = id.inode;
    b->root = id.root;
    b->prefixLength = id.prefixLength;
    b->pathLength = pathLength;
    b->keptLength = keptLength;
    b->nameLength = static_cast<std::uint16_t>(nameLength);
    b->flags =
        static_cast<std::uint8_t>((id.hasBirth ? Block::HasBirth : 0) | (wide ? Block::IsWide : 0));
    if (wide) {
        Block::Wide& full = *new (b + 1) Block::Wide{facts.size, id.device, {}, {}};
        for (int i = 0; i < 4; ++i) {
            full.seconds[i] = times[i].seconds;
            full.nanoseconds[i] = times[i].nanoseconds;
            b->times[i] = 0;
        }
        b->device = 0;
    } else {
        for (int i = 0; i < 4; ++i)
            b->times[i] = shortTime(times[i]);
        b->device = shortDevice(id.device);
    }
    // An empty view may have no data pointer at all, which memcpy must not be given.
    if (!path.empty()) std::memcpy(b->bytes(), path.data(), path.size());
    if (!keptReason.empty())
        std::memcpy(b->bytes() + pathLength, keptReason.data(), keptReason.size());
    block_ = b;
}

TResultRow::~TResultRow() {
    ::operator delete(block_);
}

TResultRow::TResultRow(const TResultRow& other) : block_(copyOf(other.block_)) {}

TResultRow& TResultRow::operator=(const TResultRow& other) {
    if (this != &other) {
        Block* copy = copyOf(other.block_);
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

std::string_view TResultRow::Path() const {
    return block_ ? std::string_view(block_->bytes(), block_->pathLength) : std::string_view();
}

std::string_view TResultRow::Name() const {
    const std::string_view path = Path();
    return block_ ? path.substr(path.size() - block_->nameLength) : path;
}

std::string_view TResultRow::KeptReason() const {
    return block_ ? std::string_view(block_->bytes() + block_->pathLength, block_->keptLength)
                  : std::string_view();
}

std::uint64_t TResultRow::Size() const {
    return block_ && block_->wide() ? block_->full().size : 0;
}

FileTime TResultRow::Created() const {
    if (!block_) return {};
    return block_->time(block_->flags & Block::HasBirth ? BirthSlot : ChangedSlot);
}

FileTime TResultRow::Accessed() const {
    return block_ ? block_->time(AccessedSlot) : FileTime{};
}

FileTime TResultRow::Written() const {
    return block_ ? block_->time(WrittenSlot) : FileTime{};
}

FileTime TResultRow::TimeOf(FieldId field) const {
    return field == FieldId::CreateTime   ? Created()
           : field == FieldId::AccessTime ? Accessed()
                                          : Written();
}

bool TResultRow::HasIdentity() const {
    return block_ && block_->root != NoScanRoot;
}

FileIdentity TResultRow::Identity() const {
    FileIdentity id{NoScanRoot};
    if (!block_) return id;
    const FileTime birth = block_->time(BirthSlot), changed = block_->time(ChangedSlot);
    id.root = block_->root;
    id.prefixLength = block_->prefixLength;
    id.device = block_->wide() ? block_->full().device : deviceOf(block_->device);
    id.inode = block_->inode;
    id.birth = birth.seconds;
    id.changed = changed.seconds;
    id.birthNanoseconds = birth.nanoseconds;
    id.changedNanoseconds = changed.nanoseconds;
    id.hasBirth = (block_->flags & Block::HasBirth) != 0;
    return id;
}

} // namespace nullsweep
