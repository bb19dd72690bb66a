// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ExactDelete.h"

#include "config/PathParts.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>

namespace nullsweep {

namespace {

std::mutex rootsMutex;
std::deque<std::string>& roots() {
    static std::deque<std::string> table;
    return table;
}

std::string rootText(std::uint32_t id) {
    const std::lock_guard lock(rootsMutex);
    return id < roots().size() ? roots()[id] : std::string();
}

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            const int saved = errno;
            ::close(fd_);
            errno = saved;
        }
        fd_ = fd;
    }

  private:
    int fd_;
};

constexpr int OpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

bool badComponent(std::string_view c) {
    return c.empty() || c == "." || c == "..";
}

// One component at a time: O_NOFOLLOW refuses a link in the last place, O_DIRECTORY anything
// that is not a folder, and ".." never appears.
int walk(int start, std::string_view relative) {
    Fd current(::fcntl(start, F_DUPFD_CLOEXEC, 0));
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
    Fd current(::fcntl(start, F_DUPFD_CLOEXEC, 0));
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

TDeleteOutcome outcomeOfErrno() {
    switch (errno) {
    case ENOENT:
        return TDeleteOutcome::Vanished;
    case ELOOP:   // a link where a folder was
    case ENOTDIR: // something else where a folder was
    case EXDEV:   // a path that would leave its root
        return TDeleteOutcome::Changed;
    default:
        return TDeleteOutcome::Failed;
    }
}

} // namespace

namespace detail {
int OpenFolderBeneath(int start, std::string_view relative, bool useOpenat2) {
    return useOpenat2 ? beneath(start, relative) : walk(start, relative);
}
} // namespace detail

std::uint32_t InternScanRoot(const std::string& resolvedRoot) {
    // A list of files makes each file's folder a root: there may be millions.
    static std::unordered_map<std::string_view, std::uint32_t> index;
    const std::lock_guard lock(rootsMutex);
    auto& table = roots();
    if (const auto found = index.find(resolvedRoot); found != index.end()) return found->second;
    table.push_back(resolvedRoot);
    const auto id = static_cast<std::uint32_t>(table.size() - 1);
    index.emplace(table.back(), id); // a deque never moves its elements
    return id;
}

std::string IdentityText(const TFileIdentity& identity) {
    std::string bytes(sizeof identity, '\0');
    std::memcpy(bytes.data(), &identity, sizeof identity);
    return bytes;
}

void SetFileIdentity(TResultRow& row, const TFileIdentity& identity) {
    row.SetSlot(IdentitySlot, IdentityText(identity));
}

bool GetFileIdentity(const TResultRow& row, TFileIdentity& identity) {
    const std::string_view bytes = row.Slot(IdentitySlot);
    if (bytes.size() != sizeof identity) return false;
    std::memcpy(&identity, bytes.data(), sizeof identity);
    return true;
}

TDeleteOutcome ActOnListedFile(const TResultRow& row, const TListedFileAction& act) noexcept {
    try {
        TFileIdentity id;
        const std::string_view path = row.Field(TField::FullPath);
        const bool known = GetFileIdentity(row, id);
        std::string root, realPath;
        std::string_view relative;
        if (known) {
            root = rootText(id.root);
            if (root.empty() || root.front() != '/' || id.prefixLength > path.size())
                return TDeleteOutcome::Changed;
            relative = path.substr(id.prefixLength);
            realPath = root == "/" ? root : root + "/";
            realPath += relative;
        } else {
            // A row not made by a scan: its own folder, reached as the path says.
            if (path.find('/') == std::string_view::npos) return TDeleteOutcome::Changed;
            const TPathParts parts = SplitPath(path);
            root = parts.folder;
            relative = parts.name;
            realPath = path;
        }
        const auto slash = relative.rfind('/');
        const std::string_view folder =
            slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
        const std::string name(slash == std::string_view::npos ? relative
                                                               : relative.substr(slash + 1));
        if (badComponent(name)) return TDeleteOutcome::Changed;

        Fd rootFd;
        if (known) {
            // The root was resolved when its scan started: a link in it now is a change too.
            const Fd top(::open("/", OpenFlags));
            if (top.get() < 0) return TDeleteOutcome::Failed;
            rootFd.reset(beneath(top.get(), std::string_view(root).substr(1)));
        } else {
            rootFd.reset(::open(root.c_str(), OpenFlags));
        }
        if (rootFd.get() < 0) return outcomeOfErrno();
        const Fd dir(beneath(rootFd.get(), folder));
        if (dir.get() < 0) return outcomeOfErrno();

        struct statx sx {};
        if (::statx(dir.get(), name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                    STATX_TYPE | STATX_SIZE | STATX_INO, &sx) != 0)
            return outcomeOfErrno();
        const unsigned needed = STATX_TYPE | STATX_SIZE | STATX_INO;
        const std::uint64_t device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        if ((sx.stx_mask & needed) != needed || !S_ISREG(sx.stx_mode) || sx.stx_size != 0)
            return TDeleteOutcome::Changed;
        if (known && (sx.stx_ino != id.inode || device != id.device))
            return TDeleteOutcome::Changed;
        if (act(dir.get(), name, realPath, device) != 0)
            return errno == ENOENT ? TDeleteOutcome::Vanished : TDeleteOutcome::Failed;
        return TDeleteOutcome::Deleted;
    } catch (...) {
        errno = ENOMEM;
        return TDeleteOutcome::Failed;
    }
}

TDeleteOutcome DeleteListedFile(const TResultRow& row) noexcept {
    return ActOnListedFile(row, [](int folder, const std::string& name, const std::string&,
                                   std::uint64_t) { return ::unlinkat(folder, name.c_str(), 0); });
}

} // namespace nullsweep
