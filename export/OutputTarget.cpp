// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/OutputTarget.h"

#include "export/ExportOutput.h"
#include "fs/WriteFully.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace nullsweep {

namespace {

[[noreturn]] void fail(const std::string& name, int error) {
    throw ExportError(WriteFailure(name, error));
}

// A socket is not opened but connected to; stream first, then datagram.
OwnedFd connectSocket(const std::string& path, const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) fail(name, ENAMETOOLONG);
    path.copy(address.sun_path, path.size());
    int error = 0;
    for (int type : {SOCK_STREAM, SOCK_DGRAM}) {
        OwnedFd fd(::socket(AF_UNIX, type | SOCK_CLOEXEC, 0));
        if (!fd.valid()) fail(name, errno);
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        error = errno;
        if (error != EPROTOTYPE) break;
    }
    fail(name, error);
}

// Why the kernel's fs.protected_symlinks, _regular and _fifos would refuse `entry` at `path` to
// this process, whatever those switches are set to: in a sticky folder that all may write,
// another user's entry (not the folder owner's) is not followed or written. Empty when fine.
std::string sharedFolderProblem(const std::string& path, const struct stat& entry) {
    const std::string_view folder = SplitPath(path).folder;
    struct stat st {};
    if (::stat(std::string(folder).c_str(), &st) != 0) return {};
    if (!(st.st_mode & S_ISVTX) || !(st.st_mode & S_IWOTH)) return {};
    if (entry.st_uid == ::geteuid() || entry.st_uid == st.st_uid) return {};
    return S_ISLNK(entry.st_mode) ? "another user's link in a sticky folder that all may write"
                                  : "another user's file in a sticky folder that all may write";
}

// `name` resolved one part at a time as the kernel resolves it, each link followed only where
// sharedFolderProblem allows it (also in the folders on the way). The result has no links in
// it; its last part need not exist (`status` then stays all zero).
std::string resolve(const std::string& name, struct stat& status) {
    std::vector<std::string> parts; // still to resolve, the next one last
    auto push = [&parts](std::string_view text) {
        for (std::size_t end = text.size(); end != std::string_view::npos && end > 0;) {
            const std::size_t slash = text.rfind('/', end - 1);
            const std::size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
            if (end > begin) parts.emplace_back(text.substr(begin, end - begin));
            end = slash;
        }
    };
    push(name);
    std::string done = name.starts_with('/') ? "/" : ""; // link-free; ends in "/" or is empty
    int links = 0;
    while (!parts.empty()) {
        const std::string part = std::move(parts.back());
        parts.pop_back();
        if (part == ".") continue;
        if (part == "..") {
            // `done` holds no links, so its parent is its text's parent.
            if (done.empty() || done.ends_with("../"))
                done += "../";
            else if (done != "/")
                done.erase(done.rfind('/', done.size() - 2) + 1);
            continue;
        }
        const std::string path = done + part;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT && parts.empty()) return path; // a new file
            fail(name, errno);
        }
        if (const std::string problem = sharedFolderProblem(path, st); !problem.empty())
            throw ExportError("cannot write " + name + ": " + problem);
        if (S_ISLNK(st.st_mode)) {
            if (++links > 40) fail(name, ELOOP);
            std::string text(std::size_t(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
            const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
            if (n < 0) fail(name, errno);
            text.resize(std::size_t(n));
            if (text.starts_with('/')) done = "/";
            push(text);
            continue;
        }
        if (parts.empty()) {
            status = st;
            return path;
        }
        done = path + "/";
    }
    fail(name, EISDIR); // the name ends in "/" or "."
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The path the kernel gives the file open at `fd`, when it still leads to that file.
std::string pathOf(int fd, const struct stat& status) {
    std::string text(4096, '\0');
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), text.data(), text.size());
    if (n <= 0 || std::size_t(n) == text.size()) return {};
    text.resize(std::size_t(n));
    struct stat st {};
    return ::lstat(text.c_str(), &st) == 0 && sameFile(st, status) ? text : std::string();
}

} // namespace

std::string WriteFailure(const std::string& name, int error) {
    return "cannot write " + name + ": " + std::strerror(error);
}

void WriteAll(int fd, std::string_view bytes, const std::string& name) {
    if (const int error = WriteFully(fd, bytes)) fail(name, error);
}

OutputTarget::OutputTarget(const std::string& name) : name_(name) {
    if (name.empty()) fail(name, ENOENT);
    struct stat found {};
    path_ = resolve(name, found);
    // Opened as a shell's redirection opens it, the links followed by the kernel, so that its
    // own rules for shared folders apply too; non-blocking, so that a FIFO without a reader
    // does not keep us waiting before the checks below.
    OwnedFd fd(::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid() && errno == ENXIO && S_ISSOCK(found.st_mode)) {
        fd_ = connectSocket(name, name);
        return;
    }
    if (!fd.valid() && errno == ENXIO && S_ISFIFO(found.st_mode)) {
        // It waits here for its reader, as a shell's redirection would.
        fd.reset(::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    }
    if (!fd.valid()) {
        if (errno == ENOENT && found.st_ino == 0) return; // a new file
        fail(name, errno);
    }
    if (::fstat(fd.get(), &status_) != 0) fail(name, errno);
    if (S_ISREG(status_.st_mode)) {
        // The file to be replaced by its path: the one the checks above saw.
        if (!sameFile(status_, found))
            throw ExportError("cannot write " + name + ": it changed while it was opened");
        exists_ = true;
        if (std::string real = pathOf(fd.get(), status_); !real.empty()) path_ = std::move(real);
        return;
    }
    fd_ = std::move(fd); // a device, FIFO or socket: written directly
    ::fcntl(fd_.get(), F_SETFL, ::fcntl(fd_.get(), F_GETFL) & ~O_NONBLOCK);
}

void OutputTarget::CloseDirect() {
    if (const int error = fd_.close()) fail(name_, error);
}

} // namespace nullsweep
