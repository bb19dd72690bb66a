// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ResultRow.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace nullsweep {

// The facts, then the path's bytes and the kept reason's, in one allocation.
struct TResultRow::Block {
    std::uint64_t size;
    std::uint64_t device, inode;
    std::int64_t accessed, written, birth, changed;
    std::uint32_t accessedNanoseconds, writtenNanoseconds, birthNanoseconds, changedNanoseconds;
    std::uint32_t root, prefixLength;
    std::uint32_t pathLength, keptLength;
    std::uint16_t nameLength;
    bool hasBirth;

    char* bytes() { return reinterpret_cast<char*>(this + 1); }
    const char* bytes() const { return reinterpret_cast<const char*>(this + 1); }
    std::size_t total() const { return sizeof(Block) + pathLength + keptLength; }
};

namespace {

using Block = TResultRow::Block;

Block* newBlock(std::size_t bytes) {
    return static_cast<Block*>(::operator new(sizeof(Block) + bytes));
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
    Block* b = newBlock(std::size_t(pathLength) + keptLength);
    const FileIdentity& id = facts.identity;
    b->size = facts.size;
    b->device = id.device;
    b->inode = id.inode;
    b->accessed = facts.accessed.seconds;
    b->written = facts.written.seconds;
    b->birth = id.birth;
    b->changed = id.changed;
    b->accessedNanoseconds = facts.accessed.nanoseconds;
    b->writtenNanoseconds = facts.written.nanoseconds;
    b->birthNanoseconds = id.birthNanoseconds;
    b->changedNanoseconds = id.changedNanoseconds;
    b->root = id.root;
    b->prefixLength = id.prefixLength;
    b->pathLength = pathLength;
    b->keptLength = keptLength;
    b->nameLength = static_cast<std::uint16_t>(nameLength);
    b->hasBirth = id.hasBirth != 0;
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
    return block_ ? block_->size : 0;
}

FileTime TResultRow::Created() const {
    if (!block_) return {};
    return block_->hasBirth ? FileTime{block_->birth, block_->birthNanoseconds}
                            : FileTime{block_->changed, block_->changedNanoseconds};
}

FileTime TResultRow::Accessed() const {
    return block_ ? FileTime{block_->accessed, block_->accessedNanoseconds} : FileTime{};
}

FileTime TResultRow::Written() const {
    return block_ ? FileTime{block_->written, block_->writtenNanoseconds} : FileTime{};
}

FileTime TResultRow::TimeOf(TField field) const {
    return field == TField::CreateTime   ? Created()
           : field == TField::AccessTime ? Accessed()
                                         : Written();
}

bool TResultRow::HasIdentity() const {
    return block_ && block_->root != NoScanRoot;
}

FileIdentity TResultRow::Identity() const {
    FileIdentity id{NoScanRoot};
    if (!block_) return id;
    id.root = block_->root;
    id.prefixLength = block_->prefixLength;
    id.device = block_->device;
    id.inode = block_->inode;
    id.birth = block_->birth;
    id.changed = block_->changed;
    id.birthNanoseconds = block_->birthNanoseconds;
    id.changedNanoseconds = block_->changedNanoseconds;
    id.hasBirth = block_->hasBirth;
    return id;
}

} // namespace nullsweep
