// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderReader.h"

#include "fs/OwnedFd.h"

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
    TOwnedFd fd(::openat(parentFd, name, flags));
    if (!fd.valid()) return;
    dir_ = ::fdopendir(fd.get());
    if (dir_) fd_ = fd.release(); // the listing's now, closed with it
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
