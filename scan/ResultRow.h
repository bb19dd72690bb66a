// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FieldNames.h"

#include <cstdint>
#include <string_view>

namespace nullsweep {

// What a row remembers so that a delete removes exactly the file that was listed: the folder
// the scan started from (held open), how much of the row's full path names that folder, and
// what tells the file from any other: device, inode, birth time where the file system keeps
// one, and status-change time (a file made again, touched, chmodded or linked has another).
struct FileIdentity {
    std::uint32_t root = 0;         // from InternScanRoot
    std::uint32_t prefixLength = 0; // bytes of the full path up to and with the root's "/"
    std::uint64_t device = 0;       // makedev of the statx major and minor
    std::uint64_t inode = 0;
    std::int64_t birth = 0;
    std::int64_t changed = 0;
    std::uint32_t birthNanoseconds = 0;
    std::uint32_t changedNanoseconds = 0;
    std::uint32_t hasBirth = 0;
};

constexpr std::uint32_t NoScanRoot = 0xFFFFFFFFu;

// A file-system time stamp: seconds since the epoch (UTC) and nanoseconds.
struct FileTime {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

// The facts a row is made of, besides its path and kept reason.
struct RowFacts {
    std::uint64_t size = 0;
    FileTime accessed, written;
    // Without a root (NoScanRoot) the row has no identity and is never deleted. The birth time
    // (or, where the file system keeps none, the status-change time) is the row's creation time.
    FileIdentity identity{NoScanRoot};
};

// The record behind one grid row: the facts of one listed file, not texts (RowText makes a
// field's text when a cell, a writer or a sort asks). A million rows must fit in little memory:
// a row is one pointer to one block, the facts then the path and the kept reason. A
// default-made row (also an all-zero one, which is what a node's zero-filled data holds) is
// empty: no path, every field without a value.
class TResultRow {
  public:
    TResultRow() = default;
    // `nameLength`: how many bytes at the end of `path` are the file name.
    TResultRow(std::string_view path, std::size_t nameLength, const RowFacts& facts,
               std::string_view keptReason = {});
    ~TResultRow();
    TResultRow(const TResultRow& other);
    TResultRow& operator=(const TResultRow& other);
    TResultRow(TResultRow&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    TResultRow& operator=(TResultRow&& other) noexcept;

    bool Empty() const { return block_ == nullptr; }
    // The views stay valid until the row is changed or destroyed.
    std::string_view Path() const;
    std::string_view Name() const;
    // Empty for a file that may go.
    std::string_view KeptReason() const;

    std::uint64_t Size() const;
    FileTime Created() const; // the birth time, or the status-change time where none is kept
    FileTime Accessed() const;
    FileTime Written() const;
    // The time of a time field (CreateTime, AccessTime or WriteTime).
    FileTime TimeOf(FieldId field) const;
    // False for a row made without a scan root (nothing to delete it by).
    bool HasIdentity() const;
    FileIdentity Identity() const;

    struct Block; // the layout, known to ResultRow.cpp only

  private:
    Block* block_ = nullptr;
};

} // namespace nullsweep
