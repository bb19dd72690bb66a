// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/TemporaryFile.h"

#include "export/OutputTarget.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <utility>

namespace nullsweep {

TTemporaryFile::TTemporaryFile(const std::string& folder, const std::string& baseName,
                               std::string shown, bool named)
    : folder_(folder), base_(baseName), shown_(std::move(shown)) {
    if (!named) {
        fd_ =
            ::open(folder_.empty() ? "." : folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) return;
        // File systems without unnamed files answer with one of these; others are real errors.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw TExportError(WriteFailure(shown_, errno));
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = freshName();
        // Registered before the file exists, so no signal can find it unregistered.
        removeOnSignal_.emplace(path_);
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return;
        removeOnSignal_.reset();
        if (errno != EEXIST) break;
    }
    const int error = errno;
    path_.clear();
    throw TExportError(WriteFailure(shown_, error));
}

TTemporaryFile::~TTemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::string TTemporaryFile::freshName() const {
    static thread_local std::mt19937_64 random(std::random_device{}());
    // The name is cut so that a target whose name has the longest length allowed still gets a
    // temporary file.
    return folder_ + "." + base_.substr(0, 200) + "." + std::to_string(random() % 1000000000) +
           ".part";
}

void TTemporaryFile::Write(std::string_view bytes) {
    WriteAll(fd_, bytes, shown_);
}

// An unnamed file gets a temporary name only for the moment between link and rename, guarded
// against signals like a named one.
void TTemporaryFile::linkUnnamed() {
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = freshName();
        removeOnSignal_.emplace(path_);
        // The first needs a capability most users lack; the second needs /proc.
        if (::linkat(fd_, "", AT_FDCWD, path_.c_str(), AT_EMPTY_PATH) == 0 ||
            ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return;
        const int error = errno;
        removeOnSignal_.reset();
        path_.clear();
        if (error != EEXIST) throw TExportError(WriteFailure(shown_, error));
    }
    throw TExportError(WriteFailure(shown_, EEXIST));
}

void TTemporaryFile::Place(const std::string& target, const struct stat* keep) {
    if (keep) {
        // Owner first: changing it clears set-user-ID bits that the mode then restores.
        // Best effort: an unprivileged user keeps what it may (the group, if a member; the mode).
        if (::fchown(fd_, keep->st_uid, keep->st_gid) != 0 &&
            ::fchown(fd_, uid_t(-1), keep->st_gid) != 0) {
        }
        ::fchmod(fd_, keep->st_mode & 07777);
    }
    if (::fsync(fd_) != 0) throw TExportError(WriteFailure(shown_, errno));
    if (path_.empty()) linkUnnamed();
    if (::rename(path_.c_str(), target.c_str()) != 0)
        throw TExportError(WriteFailure(shown_, errno)); // the destructor removes path_
    path_.clear();
    removeOnSignal_.reset();
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) throw TExportError(WriteFailure(shown_, errno));
    // A folder that cannot be opened for reading cannot be synced; the rename still stands.
    const int folder =
        ::open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    const int synced = ::fsync(folder);
    const int error = errno;
    ::close(folder);
    if (synced != 0 && error != EINVAL) throw TExportError(WriteFailure(shown_, error));
}

} // namespace nullsweep
