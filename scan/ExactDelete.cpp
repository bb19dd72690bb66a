// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ExactDelete.h"

#include "fs/OwnedFd.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <tuple>

namespace nullsweep {

namespace {

constexpr int OpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

bool badComponent(std::string_view c) {
    return c.empty() || c == "." || c == "..";
}

// One component at a time: O_NOFOLLOW refuses a link in the last place, O_DIRECTORY anything
// that is not a folder, and ".." never appears.
int walk(int start, std::string_view relative) {
    OwnedFd current(::fcntl(start, F_DUPFD_CLOEXEC, 0));
    if (current.get() < 0) return -1;
    while (!relative.empty()) {
        const auto slash = relative.find('/');
        const std::string component(relative.substr(0, slash));
        relative =
            slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        if (badComponent(component)) {
            errno = EXDEV;
            return -1;
        }
        const int next = ::openat(current.get(), component.c_str(), OpenFlags | O_NOFOLLOW);
        if (next < 0) return -1;
        current.reset(next);
    }
    return current.release();
}

// A listed path never holds "." or "..": one that does was not made by a scan.
bool hasBadComponent(std::string_view relative) {
    while (!relative.empty()) {
        const auto slash = relative.find('/');
        if (badComponent(relative.substr(0, slash))) return true;
        if (slash == std::string_view::npos) break;
        relative.remove_prefix(slash + 1);
    }
    return false;
}

// openat2 takes at most PATH_MAX bytes at a time: longer paths go in pieces cut at "/".
int beneath(int start, std::string_view relative) {
    if (hasBadComponent(relative)) {
        errno = EXDEV;
        return -1;
    }
    OwnedFd current(::fcntl(start, F_DUPFD_CLOEXEC, 0));
    if (current.get() < 0) return -1;
    while (!relative.empty()) {
        std::size_t cut = relative.size();
        if (cut >= PATH_MAX) {
            cut = relative.rfind('/', PATH_MAX - 1);
            if (cut == std::string_view::npos || cut == 0) {
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        const std::string piece(relative.substr(0, cut));
        relative = cut == relative.size() ? std::string_view() : relative.substr(cut + 1);
        open_how how{};
        how.flags = OpenFlags;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        long fd = -1;
        for (int attempt = 0; attempt < 3; ++attempt) {
            fd = ::syscall(SYS_openat2, current.get(), piece.c_str(), &how, sizeof how);
            if (fd >= 0 || errno != EAGAIN) break;
        }
        if (fd < 0) {
            if (errno == ENOSYS || errno == EPERM) {
                // Refused (an old kernel, a seccomp filter): the same walk, by hand.
                const std::string rest =
                    relative.empty() ? piece : piece + "/" + std::string(relative);
                return walk(current.get(), rest);
            }
            return -1;
        }
        current.reset(static_cast<int>(fd));
    }
    return current.release();
}

bool sameFolder(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The roots met so far. Held ones keep their descriptor; the others share a few open slots.
class Roots {
  public:
    std::uint32_t intern(int fd, const std::string& resolved, bool hold) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return NoScanRoot;
        if (resolved.empty()) hold = true; // nothing to open it again by
        const std::lock_guard lock(mutex_);
        const auto key =
            std::make_tuple(std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), resolved);
        if (const auto found = index_.find(key); found != index_.end()) {
            Root& root = roots_[found->second];
            if (hold && !root.held) {
                if (root.fd.get() < 0) root.fd.reset(::openat(fd, ".", OpenFlags));
                if (root.fd.get() < 0) return NoScanRoot;
                root.held = true;
            }
            if (!root.held) use(found->second, fd);
            return found->second;
        }
        if (roots_.size() >= NoScanRoot) return NoScanRoot;
        roots_.push_back({resolved, st, OwnedFd(), hold});
        const auto id = static_cast<std::uint32_t>(roots_.size() - 1);
        index_.emplace(key, id);
        if (hold) {
            roots_.back().fd.reset(::openat(fd, ".", OpenFlags));
            if (roots_.back().fd.get() < 0) return NoScanRoot;
        } else {
            use(id, fd);
        }
        return id;
    }

    int open(std::uint32_t id) {
        std::unique_lock lock(mutex_);
        if (id >= roots_.size()) {
            errno = ESTALE;
            return -1;
        }
        Root& root = roots_[id];
        if (root.fd.get() >= 0) return ::fcntl(root.fd.get(), F_DUPFD_CLOEXEC, 0);
        const std::string path = root.resolved;
        const struct stat listed = root.status;
        lock.unlock();
        // Let go earlier: opened again by its path, which holds no link, and only if the same
        // folder still stands there.
        const OwnedFd top(::open("/", OpenFlags));
        if (top.get() < 0) return -1;
        OwnedFd fd(beneath(top.get(), std::string_view(path).substr(1)));
        struct stat now {};
        if (fd.get() < 0) return -1;
        if (::fstat(fd.get(), &now) != 0) return -1;
        if (!sameFolder(now, listed)) {
            errno = ESTALE;
            return -1;
        }
        return fd.release();
    }

    std::string path(std::uint32_t id) {
        const std::lock_guard lock(mutex_);
        return id < roots_.size() ? roots_[id].resolved : std::string();
    }

  private:
    struct Root {
        std::string resolved;
        struct stat status;
        OwnedFd fd;
        bool held;
    };
    static constexpr std::size_t OpenSlots = 32;

    // Under the lock: `id` (not held) gets a slot, the oldest one's descriptor is let go.
    void use(std::uint32_t id, int fd) {
        Root& root = roots_[id];
        if (root.fd.get() < 0) root.fd.reset(::openat(fd, ".", OpenFlags));
        for (auto it = recent_.begin(); it != recent_.end(); ++it)
            if (*it == id) {
                recent_.erase(it);
                break;
            }
        recent_.push_back(id);
        if (recent_.size() > OpenSlots) {
            roots_[recent_.front()].fd.reset();
            recent_.pop_front();
        }
    }

    std::mutex mutex_;
    std::deque<Root> roots_; // a deque never moves its elements
    std::map<std::tuple<std::uint64_t, std::uint64_t, std::string>, std::uint32_t> index_;
    std::deque<std::uint32_t> recent_;
};

Roots& roots() {
    static Roots table;
    return table;
}

} // namespace

int OpenFolderBeneath(int start, std::string_view relative, bool useOpenat2) {
    if (!useOpenat2 && hasBadComponent(relative)) {
        errno = EXDEV;
        return -1;
    }
    return useOpenat2 ? beneath(start, relative) : walk(start, relative);
}

int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to) {
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL) return -1;
    struct stat st {};
    if (::fstatat(toFolder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(fromFolder, from.c_str(), toFolder, to.c_str());
}

std::uint32_t InternScanRoot(int fd, const std::string& resolvedPath, bool hold) {
    try {
        return roots().intern(fd, resolvedPath, hold);
    } catch (const std::bad_alloc&) {
        return NoScanRoot;
    }
}

int OpenScanRoot(std::uint32_t root) {
    return roots().open(root);
}

std::string ScanRootPath(std::uint32_t root) {
    return roots().path(root);
}

std::string ResolvedFolderPath(int fd, const std::string& given) {
    struct stat held {};
    if (::fstat(fd, &held) != 0) return {};
    auto leadsThere = [&](const std::string& path) {
        struct stat st {};
        return !path.empty() && path.front() == '/' && ::stat(path.c_str(), &st) == 0 &&
               sameFolder(st, held);
    };
    char resolved[PATH_MAX + 1];
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(self.c_str(), resolved, PATH_MAX);
    if (n > 0) {
        std::string path(resolved, std::size_t(n));
        if (leadsThere(path)) return path;
    }
    // No /proc (a sandbox): the C library resolves the links one by one.
    if (char* real = ::realpath(given.c_str(), nullptr)) {
        std::string path(real);
        std::free(real);
        if (leadsThere(path)) return path;
    }
    return {};
}

bool GetFileIdentity(const TResultRow& row, FileIdentity& identity) {
    identity = row.Identity();
    return row.HasIdentity();
}

} // namespace nullsweep
