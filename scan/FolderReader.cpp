// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace nullsweep {

namespace {

// Big enough that a huge folder takes few calls, small enough for the folders a walk holds.
constexpr std::size_t BufferSize = 64 * 1024;

std::atomic<bool> typesUnknown{false};

} // namespace

void FolderReader::ReportTypesUnknown(bool unknown) {
    typesUnknown = unknown;
}

FolderReader::FolderReader(int parentFd, const char* name, bool followLink) {
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!followLink) flags |= O_NOFOLLOW;
    fd_.reset(::openat(parentFd, name, flags));
}

FolderReader::~FolderReader() = default;

bool FolderReader::Next(Entry& entry) {
    if (!fd_.valid()) return false;
    if (at_ >= size_) {
        if (ended_) return false;
        if (!buffer_) buffer_ = std::make_unique<char[]>(BufferSize);
        const ssize_t n = ::getdents64(fd_.get(), buffer_.get(), BufferSize);
        if (n <= 0) {
            ended_ = true;
            if (n < 0) error_ = errno;
            return false;
        }
        size_ = std::size_t(n);
        at_ = 0;
    }
    dirent64 d;
    const char* record = buffer_.get() + at_;
    std::memcpy(&d, record, offsetof(dirent64, d_name)); // records are not aligned for it
    const char* name = record + offsetof(dirent64, d_name);
    entry.name = std::string_view(name, ::strnlen(name, d.d_reclen - offsetof(dirent64, d_name)));
    entry.type = typesUnknown.load(std::memory_order_relaxed)
                     ? static_cast<unsigned char>(DT_UNKNOWN)
                     : d.d_type;
    entry.inode = d.d_ino;
    at_ += d.d_reclen;
    return true;
}

} // namespace nullsweep
