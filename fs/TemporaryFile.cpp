// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/TemporaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

namespace nullsweep {

namespace {

// The process's umask, read without changing it where the kernel tells it.
mode_t currentUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return mode_t(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

TemporaryFile::TemporaryFile(std::string folder, std::string baseName)
    : folder_(std::move(folder)), base_(std::move(baseName)) {}

TemporaryFile::~TemporaryFile() {
    fd_.reset();
    if (!path_.empty()) ::unlink(path_.c_str());
}

int TemporaryFile::Create(bool named) {
    if (!named) {
        fd_.reset(::open(folder_.empty() ? "." : folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                         0600));
        if (fd_.valid()) return 0;
        // File systems without unnamed files answer with one of these; others are real errors.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    }
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        path_ = freshName();
        // Registered before the file exists, so no signal can find it unregistered.
        removeOnSignal_.emplace(path_);
        fd_.reset(::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd_.valid()) return 0;
        error = errno;
        removeOnSignal_.reset();
    }
    path_.clear();
    return error;
}

std::string TemporaryFile::freshName() const {
    static thread_local std::mt19937_64 random(std::random_device{}());
    // The name is cut so that a target whose name has the longest length allowed still gets a
    // temporary file.
    return folder_ + "." + base_.substr(0, 200) + "." + std::to_string(random() % 1000000000) +
           ".part";
}

// An unnamed file gets a temporary name only for the moment between link and rename, guarded
// against signals like a named one.
int TemporaryFile::linkUnnamed() {
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_.get());
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = freshName();
        removeOnSignal_.emplace(path_);
        // The first needs a capability most users lack; the second needs /proc.
        if (::linkat(fd_.get(), "", AT_FDCWD, path_.c_str(), AT_EMPTY_PATH) == 0 ||
            ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        const int error = errno;
        removeOnSignal_.reset();
        path_.clear();
        if (error != EEXIST) return error;
    }
    return EEXIST;
}

int TemporaryFile::putInPlace(const std::string& target, bool replace) {
    if (replace) {
        if (::rename(path_.c_str(), target.c_str()) != 0) return errno;
    } else if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) !=
               0) {
        if (errno != EINVAL && errno != ENOSYS) return errno;
        // A file system without the flag: a link never replaces either.
        if (::link(path_.c_str(), target.c_str()) != 0) return errno;
        ::unlink(path_.c_str());
    }
    path_.clear();
    removeOnSignal_.reset();
    return 0;
}

int TemporaryFile::Place(const std::string& target, const struct stat* keep, bool replace) {
    if (keep) {
        // Owner first: changing it clears set-user-ID bits that the mode then restores.
        // Best effort: an unprivileged user keeps what it may (the group, if a member; the mode).
        if (::fchown(fd_.get(), keep->st_uid, keep->st_gid) != 0 &&
            ::fchown(fd_.get(), uid_t(-1), keep->st_gid) != 0) {
        }
        ::fchmod(fd_.get(), keep->st_mode & 07777);
    } else {
        ::fchmod(fd_.get(), 0666 & ~currentUmask());
    }
    if (::fsync(fd_.get()) != 0) return errno;
    if (path_.empty())
        if (const int error = linkUnnamed()) return error;
    // On failure the destructor removes path_.
    if (const int error = putInPlace(target, replace)) return error;
    if (const int error = fd_.close()) return error;
    // A folder that cannot be opened for reading cannot be synced; the new name still stands.
    const OwnedFd folder(
        ::open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return 0;
    if (::fsync(folder.get()) != 0 && errno != EINVAL) return errno;
    return 0;
}

} // namespace nullsweep
