// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderReader.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace nullsweep {

namespace {
std::atomic<bool> typesUnknown{false};
} // namespace

void FolderReader::ReportTypesUnknown(bool unknown) {
    typesUnknown = unknown;
}

FolderReader::FolderReader(int parentFd, const char* name, bool followLink) {
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!followLink) flags |= O_NOFOLLOW;
    fd_ = ::openat(parentFd, name, flags);
    if (fd_ < 0) return;
    dir_ = ::fdopendir(fd_);
    if (!dir_) {
        ::close(fd_);
        fd_ = -1;
    }
}

FolderReader::~FolderReader() {
    if (dir_) ::closedir(dir_); // also closes fd_
}

bool FolderReader::Next(Entry& entry) {
    if (!dir_) return false;
    errno = 0;
    const dirent* d = ::readdir(dir_);
    if (!d) {
        error_ = errno;
        return false;
    }
    entry.name = d->d_name;
    entry.type = typesUnknown.load(std::memory_order_relaxed)
                     ? static_cast<unsigned char>(DT_UNKNOWN)
                     : d->d_type;
    entry.inode = d->d_ino;
    return true;
}

} // namespace nullsweep
