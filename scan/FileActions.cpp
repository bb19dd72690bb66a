// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FileActions.h"

#include "fs/PathParts.h"
#include "desktop/DesktopShell.h"
#include "scan/ResultRow.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nullsweep {

namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Fd() const { return fd_; }

  private:
    int fd_;
};

} // namespace

TDeleteOutcome DeleteEmptyFile(const std::string& path) noexcept {
    try {
        const TPathParts parts = SplitPath(path);
        const std::string folder(parts.folder);
        const std::string name(parts.name);
        if (name.empty() || name == "." || name == "..") return TDeleteOutcome::Changed;
        // The folder may be reached through links (a scan root given as a link to a folder):
        // what must never be followed is a link in the file's own place, checked below.
        const Descriptor dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (dir.Fd() < 0)
            return errno == ENOENT ? TDeleteOutcome::Vanished : TDeleteOutcome::Failed;
        struct statx sx {};
        if (::statx(dir.Fd(), name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                    STATX_TYPE | STATX_SIZE, &sx) != 0)
            return errno == ENOENT ? TDeleteOutcome::Vanished : TDeleteOutcome::Failed;
        if (!(sx.stx_mask & STATX_TYPE) || !S_ISREG(sx.stx_mode)) return TDeleteOutcome::Changed;
        if (!(sx.stx_mask & STATX_SIZE) || sx.stx_size != 0) return TDeleteOutcome::Changed;
        // unlinkat never follows a link, so a link swapped in after the check is what would go.
        if (::unlinkat(dir.Fd(), name.c_str(), 0) != 0)
            return errno == ENOENT ? TDeleteOutcome::Vanished : TDeleteOutcome::Failed;
        return TDeleteOutcome::Deleted;
    } catch (...) {
        return TDeleteOutcome::Failed;
    }
}

void DeleteDiskFile(const std::string& path) noexcept {
    DeleteEmptyFile(path);
}

std::string_view FolderPartOf(std::string_view path) {
    // Text to show, unlike SplitPath's folder to open: empty for a bare name, and the final "/"
    // stays where dropping it would leave nothing or a text ending in "/".
    const std::string_view folder = CutPath(path).folder;
    if (folder.size() <= 1 || folder[folder.size() - 2] == '/') return folder;
    return folder.substr(0, folder.size() - 1);
}

bool OpenWebSite() {
    Shell().OpenUrl(std::string(WebSiteAddress));
    return true;
}

bool OpenMailTo() {
    Shell().OpenUrl(std::string(MailToAddress));
    return true;
}

} // namespace nullsweep
