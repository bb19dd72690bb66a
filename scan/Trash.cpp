// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Trash.h"

#include "fs/PathParts.h"
#include "fs/WriteFully.h"
#include "scan/ExactDelete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace nullsweep {

namespace {

// Of an absolute path.
std::string parentOf(const std::string& path) {
    return std::string(SplitPath(path).folder);
}

// mkdir -p of an absolute path, new folders private to the user.
bool makeFolders(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) || (errno = ENOTDIR, false);
    if (path != "/" && !makeFolders(parentOf(path))) return false;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// files/ and info/ of a trash folder, made when missing; the trash folder itself must be a
// folder of this user's, never a link.
bool openTrash(const std::string& trash, OwnedFd& files, OwnedFd& info) {
    const OwnedFd top(::open(trash.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!top.valid()) return false;
    struct stat st {};
    bool ok = ::fstat(top.get(), &st) == 0 && (st.st_uid == ::geteuid() || (errno = EPERM, false));
    for (const char* sub : {"files", "info"}) {
        if (!ok) break;
        if (::mkdirat(top.get(), sub, 0700) != 0 && errno != EEXIST) ok = false;
    }
    if (ok) {
        files.reset(::openat(top.get(), "files", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        info.reset(::openat(top.get(), "info", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        ok = files.valid() && info.valid();
    }
    return ok;
}

std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

} // namespace

std::string UserTrash::HomeTrashPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share/Trash";
    return {};
}

UserTrash::UserTrash(std::string homeTrash) : homeTrash_(std::move(homeTrash)) {}

UserTrash::~UserTrash() = default;

std::string TrashPathText(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

const UserTrash::Place* UserTrash::placeFor(const std::string& realPath, std::uint64_t device) {
    const std::lock_guard lock(mutex_);
    if (const auto found = places_.find(device); found != places_.end())
        return found->second.files.valid() ? &found->second : (errno = EACCES, nullptr);
    Place& place = places_[device];
    struct stat st {};
    if (!homeTrash_.empty() && makeFolders(homeTrash_) && ::stat(homeTrash_.c_str(), &st) == 0 &&
        st.st_dev == device) {
        if (!openTrash(homeTrash_, place.files, place.info)) return nullptr;
        return &place;
    }
    // Another file system: the top folder of its mount, the last one up on the same device.
    std::string top = parentOf(realPath);
    while (top != "/") {
        const std::string up = parentOf(top);
        if (::stat(up.c_str(), &st) != 0 || st.st_dev != device) break;
        top = up;
    }
    const std::string trash =
        (top == "/" ? std::string() : top) + "/.Trash-" + std::to_string(::geteuid());
    if (::mkdir(trash.c_str(), 0700) != 0 && errno != EEXIST) return nullptr;
    if (!openTrash(trash, place.files, place.info)) return nullptr;
    place.topDir = top;
    return &place;
}

int UserTrash::Move(int folder, const std::string& name, const std::string& realPath,
                    std::uint64_t device, Entry& placed) {
    const Place* place = placeFor(realPath, device);
    if (!place) return -1;
    std::string where = realPath;
    if (!place->topDir.empty()) // relative to the top folder, as the trash standard allows
        where = realPath.substr(place->topDir == "/" ? 1 : place->topDir.size() + 1);
    const std::string info =
        "[Trash Info]\nPath=" + TrashPathText(where) + "\nDeletionDate=" + deletionDate() + "\n";
    // The info file is made first, exclusively: that is what claims a name.
    for (int n = 1; n < 100000; ++n) {
        const std::string unique = n == 1 ? name : name + "." + std::to_string(n);
        const std::string infoName = unique + ".trashinfo";
        OwnedFd fd(::openat(place->info.get(), infoName.c_str(),
                            O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            if (errno == EEXIST) continue;
            return -1;
        }
        int saved = WriteFully(fd.get(), info);
        if (saved == 0) saved = fd.close();
        const bool written = saved == 0;
        if (written && RenameNoReplace(folder, name, place->files.get(), unique) == 0) {
            placed = {place->files.get(), place->info.get(), unique};
            return 0;
        }
        saved = written ? errno : saved;
        ::unlinkat(place->info.get(), infoName.c_str(), 0);
        if (written && saved == EEXIST) continue;
        errno = saved;
        return -1;
    }
    errno = EEXIST;
    return -1;
}

int UserTrash::MoveBack(const Entry& placed, int folder, const std::string& name) {
    if (RenameNoReplace(placed.files, placed.name, folder, name) != 0) return -1;
    ::unlinkat(placed.info, (placed.name + ".trashinfo").c_str(), 0);
    return 0;
}

} // namespace nullsweep
