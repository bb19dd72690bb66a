// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/OutputTarget.h"

#include "config/WriteFully.h"
#include "export/ExportOutput.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nullsweep {

namespace {

[[noreturn]] void fail(const std::string& name, int error) {
    throw TExportError(WriteFailure(name, error));
}

// A socket is not opened but connected to; stream first, then datagram.
int connectSocket(const std::string& path, const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) fail(name, ENAMETOOLONG);
    path.copy(address.sun_path, path.size());
    int error = 0;
    for (int type : {SOCK_STREAM, SOCK_DGRAM}) {
        const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        if (fd < 0) fail(name, errno);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        error = errno;
        ::close(fd);
        if (error != EPROTOTYPE) break;
    }
    fail(name, error);
}

// The final target of `path` when it is a chain of links: each link's text read relative to
// the link's own folder. A missing name ends the chain (the export creates it there).
std::string followLinks(std::string path, const std::string& name) {
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT) return path;
            fail(name, errno);
        }
        if (!S_ISLNK(st.st_mode)) return path;
        if (hops == 40) fail(name, ELOOP);
        std::string text(std::size_t(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
        if (n < 0) fail(name, errno);
        text.resize(std::size_t(n));
        path = text.starts_with('/') ? text : std::string(CutPath(path).folder) + text;
    }
}

} // namespace

std::string WriteFailure(const std::string& name, int error) {
    return "cannot write " + name + ": " + std::strerror(error);
}

void WriteAll(int fd, std::string_view bytes, const std::string& name) {
    if (const int error = WriteFully(fd, bytes)) fail(name, error);
}

TOutputTarget::TOutputTarget(const std::string& name) : name_(name) {
    if (name.empty()) fail(name, ENOENT);
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        path_ = name;
        if (S_ISDIR(st.st_mode)) fail(name, EISDIR);
        // A FIFO waits here for its reader, as a shell's redirection would.
        fd_ = S_ISSOCK(st.st_mode) ? connectSocket(name, name)
                                   : ::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) fail(name, errno);
        return;
    }
    path_ = followLinks(name, name);
    // Non-blocking, in case a FIFO took the file's place since: this open must not wait.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return; // a new file
        fail(name, errno);
    }
    if (::fstat(fd, &status_) != 0) {
        const int error = errno;
        ::close(fd);
        fail(name, error);
    }
    if (S_ISREG(status_.st_mode)) {
        exists_ = true;
        ::close(fd);
        return;
    }
    fd_ = fd; // a device put there since the first look: written directly after all
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

void TOutputTarget::CloseDirect() {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) fail(name_, errno);
}

TOutputTarget::~TOutputTarget() {
    if (fd_ >= 0) ::close(fd_);
}

} // namespace nullsweep
